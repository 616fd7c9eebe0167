#pragma once

#include <map>
#include <string>
#include <vector>

#include "data/CJournal.h"
#include "link/CDeviceLink.h"

// One write to the board as the journal keeps it, built in three steps
// around the one apply path both programs use: the values before (taken
// before any edit reaches the link), what went out and was acknowledged,
// and what the board reported afterwards.
class CApplyRecord {
public:
    // Takes the link's over-clock values now as the values before.
    CApplyRecord(const CDeviceLink& link, std::string strProgram, std::string strCommand,
                 EJournalAction action = EJournalAction::Apply);

    // The entry an undo, revert or recovery writes back.
    void SetUndoes(std::string strId) { m_entry.strUndoes = std::move(strId); }
    void SetAddress(std::string strAddress) { m_entry.strAddress = std::move(strAddress); }

    // After the apply, from what it sent.
    void Written(const CDeviceLink& link, const CDeviceLink::ApplyResult& result);
    // After the read of the over-clock arrays that follows every apply.
    void ReadBack(const CDeviceLink& link);

    const JournalEntry& Entry() const { return m_entry; }
    // Items the board took otherwise than asked: limited, or refused.
    std::vector<JournalItem> Differing() const;

private:
    std::map<EBoardArray, BoardItemArray> m_before;
    std::vector<CDeviceLink::ItemWrite> m_writes;
    JournalEntry m_entry;
};
