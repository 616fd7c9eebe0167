#include "link/CApplyRecord.h"

#include "data/Utf.h"
#include "link/ItemText.h"
#include "link/Recording.h"

namespace {

std::string ShownOf(EBoardArray array, BoardItem item, const std::string& strRaw) {
    if (strRaw.empty()) {
        return {};
    }
    item.Value = FromUtf8(strRaw);
    return ShownText(array, item);
}

}  // namespace

CApplyRecord::CApplyRecord(const CDeviceLink& link, std::string strProgram,
                           std::string strCommand, EJournalAction action)
    : m_entry(NewJournalEntry(std::move(strProgram), std::move(strCommand), action)) {
    for (EBoardArray array : kOverclockArrays) {
        m_before[array] = link.GetArray(array);
    }
    m_entry.strBoard = ToUtf8(link.GetBoardVersion());
}

void CApplyRecord::Written(const CDeviceLink& link, const CDeviceLink::ApplyResult& result) {
    m_writes = result.writes;
    m_entry.bOk = result.bOk;
    m_entry.items.clear();
    for (const CDeviceLink::ItemWrite& write : m_writes) {
        const BoardItemArray now = link.GetArray(write.array);
        const BoardItemArray& before = m_before[write.array];
        if (write.nIndex >= now.size()) {
            continue;
        }
        const BoardItem& item = now[write.nIndex];
        JournalItem one;
        one.strName = ToUtf8(item.Name);
        one.strArray = ToUtf8(SectionName(write.array));
        // Only a value the board reported counts as the value before; a
        // user's value left from a failed write says nothing of the board.
        if (write.nIndex < before.size() && before[write.nIndex].Name == item.Name &&
            before[write.nIndex].bValueRead && !before[write.nIndex].bUserSet) {
            one.strBefore = ToUtf8(before[write.nIndex].Value);
        }
        one.strAsked = ToUtf8(write.asked);
        one.bAcknowledged = write.bAcknowledged;
        one.strShownBefore = ShownOf(write.array, item, one.strBefore);
        one.strShownAsked = ShownOf(write.array, item, one.strAsked);
        one.strUnit = PlainUnit(write.array);
        m_entry.items.push_back(std::move(one));
    }
}

void CApplyRecord::ReadBack(const CDeviceLink& link) {
    for (size_t n = 0; n < m_writes.size() && n < m_entry.items.size(); ++n) {
        const CDeviceLink::ItemWrite& write = m_writes[n];
        JournalItem& one = m_entry.items[n];
        const BoardItemArray now = link.GetArray(write.array);
        if (write.nIndex >= now.size() || ToUtf8(now[write.nIndex].Name) != one.strName ||
            !WasReadNow(now[write.nIndex])) {
            continue;
        }
        one.strReadBack = ToUtf8(now[write.nIndex].Value);
        one.strShownReadBack = ShownText(write.array, now[write.nIndex]);
    }
}

std::vector<JournalItem> CApplyRecord::Differing() const {
    std::vector<JournalItem> differing;
    for (const JournalItem& item : m_entry.items) {
        if (item.ReadBackDiffers()) {
            differing.push_back(item);
        }
    }
    return differing;
}
