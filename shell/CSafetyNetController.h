#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>

#include "data/CJournal.h"
#include "data/CSafetyNetSettings.h"
#include "link/CApplyRecord.h"
#include "link/CBootWatch.h"

class CDeviceLink;
class CDesktopNotifier;
class CScreen_SafetyPrompt;
class CTunevoDlg;
class IMessageBox;

// The net under tuning, as the main window runs it: every apply and power
// action goes into the journal with its values before and after; Undo
// writes back the last change; after an apply the user may be asked to
// keep the values, which are written back unless kept in time; and a
// start-up that stalls on the POST display is said, with the offer to
// restore the values before the last apply and reset once. The journal,
// the write-back plan and the start-up watch are the link's, shared with
// tunevoctl. Main thread only; owned by the window.
class CSafetyNetController final : public QObject {
    Q_OBJECT
public:
    CSafetyNetController(CTunevoDlg& dlg, CDeviceLink& link, IMessageBox& messageBox,
                         CDesktopNotifier& notifier);
    ~CSafetyNetController() override;

    // The user's apply: refused (and said) while values wait to be kept or
    // written back; otherwise the values before are taken now.
    bool MayApply();
    void BeforeApply();
    // The link's reports, before the over-clock page takes them.
    void OnApplied(bool bOk);
    void OnOverclockRefreshed(bool bOk);
    void OnPowerRequested(int nCode);
    void OnPowerCommandDone(bool bOk);
    // A lost board was loaded again.
    void OnBoardBack();

    // Menu commands.
    void Undo();
    void ToggleAskToKeep();
    // Marks the menu's keep entry with the setting.
    void ShowState();

    const SafetyNetSettings& Settings() const { return m_settings; }
    // Takes new settings for this session (tests, and the setting's toggle).
    void UseSettings(const SafetyNetSettings& settings);
    CScreen_SafetyPrompt& Prompt() const { return *m_pPrompt; }
    bool IsAskingToKeep() const { return m_ePrompt == EPrompt::Keep; }
    bool IsStallShown() const { return m_ePrompt == EPrompt::Stall; }
    // A revert waits for the board to come back.
    bool IsRevertPending() const { return m_pendingRevert.has_value(); }
    // Nothing in hand: no write, no question to keep, no revert waiting.
    bool IsIdle() const {
        return m_eStage == EStage::Idle && m_ePrompt != EPrompt::Keep && !m_pendingRevert;
    }

private:
    // What a write-back is for.
    enum class EPurpose { Undo, Revert, Recover };
    // Where the window's one write in hand stands.
    enum class EStage { Idle, ReadingForPlan, Applying, ReadingBack };
    enum class EPrompt { None, Keep, Stall };

    void Append(const JournalEntry& entry);
    // Puts the write in hand on record; its marks go on the rows.
    void FinishRecord(bool bReadBack);
    void StartWriteBack(const JournalEntry& entry, EPurpose purpose);
    void ContinueWriteBack(bool bRead);
    void AskToKeep(const JournalEntry& entry);
    void OnKeepTick();
    void Keep();
    void Revert();
    void OnWatchTick();
    void ShowStall();
    void RecoverFromStall();
    void ClosePrompt();
    std::optional<JournalEntry> LastWriteSinceStart() const;
    // The items of a plan as lines "name: now -> before unit".
    static QString PlanLines(const struct UndoPlan& plan, bool bChangedSinceOnly);

    CTunevoDlg& m_dlg;
    CDeviceLink& m_link;
    IMessageBox& m_messageBox;
    CDesktopNotifier& m_notifier;
    SafetyNetSettings m_settings;
    CJournal m_journal;
    CScreen_SafetyPrompt* m_pPrompt = nullptr;

    EStage m_eStage = EStage::Idle;
    std::optional<CApplyRecord> m_record;
    // The write being written back, and why.
    std::optional<JournalEntry> m_writeBack;
    EPurpose m_ePurpose = EPurpose::Undo;
    int m_nPowerCode = 0;

    EPrompt m_ePrompt = EPrompt::None;
    std::optional<JournalEntry> m_keepEntry;
    int m_nKeepSecondsLeft = 0;
    QTimer m_keepTimer;
    std::optional<JournalEntry> m_pendingRevert;

    CBootWatch m_watch;
    QTimer m_watchTimer;
    bool m_bSawReconnect = false;
    bool m_bRecoveredThisStall = false;
};
