#include "shell/CSafetyNetController.h"

#include <QAction>
#include <QPushButton>
#include <chrono>

#include "data/MonitorLog.h"
#include "data/Utf.h"
#include "link/CDeviceLink.h"
#include "link/UndoPlan.h"
#include "screens/CLogScreen.h"
#include "screens/COCControl.h"
#include "screens/IMessageBox.h"
#include "screens/ScreenPainting.h"
#include "shell/CDesktopNotifier.h"
#include "shell/CDeviceFrame.h"
#include "shell/CScreen_SafetyPrompt.h"
#include "shell/CSoftKeyBar.h"
#include "shell/CTunevoDlg.h"
#include "shell/MenuResources.h"
#include "widgets/ScreenLayout.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kWatchPeriodMs = 500;
constexpr int kResetCode = 5;

const char* PowerName(int nCode) {
    switch (nCode) {
        case 1:
            return "on";
        case 2:
            return "off";
        case 3:
            return "force-off";
        case 4:
            return "clear-cmos";
        default:
            return "reset";
    }
}

// The bottom banner's place; on the small layout twice its height, so that
// the question and both buttons are read whole.
QRect PromptRect() {
    QRect rc = g_rcLock.ToQRect();
    if (g_nScreenLayout == LayoutSmall) {
        rc.setTop(rc.top() - rc.height());
    }
    return rc;
}

QString HexCode(int nCode) {
    return QStringLiteral("%1").arg(nCode, 2, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

CSafetyNetController::CSafetyNetController(CTunevoDlg& dlg, CDeviceLink& link,
                                           IMessageBox& messageBox, CDesktopNotifier& notifier)
    : m_dlg(dlg),
      m_link(link),
      m_messageBox(messageBox),
      m_notifier(notifier),
      m_settings(SafetyNetSettings::Load()),
      m_watch({std::chrono::seconds(m_settings.nStuckSeconds), m_settings.nReadyCode}) {
    m_pPrompt = new CScreen_SafetyPrompt(&dlg);
    connect(m_pPrompt, &CScreen_SafetyPrompt::Accepted, this, [this] {
        if (m_ePrompt == EPrompt::Keep) {
            Keep();
        } else {
            RecoverFromStall();
        }
    });
    connect(m_pPrompt, &CScreen_SafetyPrompt::Rejected, this, [this] {
        if (m_ePrompt == EPrompt::Keep) {
            Revert();
        } else {
            ClosePrompt();
        }
    });
    m_keepTimer.setInterval(1000);
    connect(&m_keepTimer, &QTimer::timeout, this, &CSafetyNetController::OnKeepTick);
    m_watchTimer.setInterval(kWatchPeriodMs);
    connect(&m_watchTimer, &QTimer::timeout, this, &CSafetyNetController::OnWatchTick);
    m_watchTimer.start();
}

CSafetyNetController::~CSafetyNetController() = default;

void CSafetyNetController::UseSettings(const SafetyNetSettings& settings) {
    m_settings = settings;
    m_watch = CBootWatch({std::chrono::seconds(settings.nStuckSeconds), settings.nReadyCode});
    ShowState();
}

void CSafetyNetController::Append(const JournalEntry& entry) {
    if (!m_journal.Append(entry)) {
        // Said once; the board's work goes on without its record.
        if (const std::string strProblem = m_journal.TakeProblem(); !strProblem.empty()) {
            m_messageBox.ShowMessage(
                LocaleText(u"STR_JOURNAL_PROBLEM_MSG").arg(QString::fromStdString(strProblem)));
        }
    }
}

bool CSafetyNetController::MayApply() {
    if (m_ePrompt == EPrompt::Keep || m_pendingRevert || m_eStage != EStage::Idle) {
        m_messageBox.ShowMessage(LocaleText(u"STR_KEEP_PENDING_MSG"));
        return false;
    }
    return true;
}

void CSafetyNetController::BeforeApply() {
    m_record.emplace(m_link, "tunevo", "apply");
    m_record->SetAddress(m_link.SessionPortName());
    m_eStage = EStage::Applying;
    for (COCControl* pControl : m_dlg.OverClockPage().Controls()) {
        pControl->SetHeldNote({});
    }
}

void CSafetyNetController::OnApplied(bool bOk) {
    if (m_eStage != EStage::Applying || !m_record) {
        return;
    }
    m_record->Written(m_link, m_link.LastApplyResult());
    // A successful apply is read back by the page; a failed one is not.
    if (bOk && !m_dlg.IsReconnecting()) {
        m_eStage = EStage::ReadingBack;
    } else {
        FinishRecord(false);
    }
}

void CSafetyNetController::OnOverclockRefreshed(bool bOk) {
    if (m_eStage == EStage::ReadingForPlan) {
        ContinueWriteBack(bOk);
    } else if (m_eStage == EStage::ReadingBack) {
        FinishRecord(true);
    }
}

void CSafetyNetController::FinishRecord(bool bReadBack) {
    m_eStage = EStage::Idle;
    if (!m_record) {
        return;
    }
    CApplyRecord record = std::move(*m_record);
    m_record.reset();
    if (bReadBack) {
        record.ReadBack(m_link);
    }
    const JournalEntry entry = record.Entry();
    Append(entry);
    // The rows the board limited or refused say what was asked.
    QString strHeld;
    for (const JournalItem& item : record.Differing()) {
        const QString strName = QString::fromStdString(item.strName);
        const QString strUnit = QStringLiteral(" ") + QString::fromStdString(item.strUnit);
        const QString strNote = LocaleText(u"STR_HELD_ASKED")
                                    .arg(LocaleText(u"STR_JOURNAL_HELD")
                                             .arg(QString::fromStdString(item.strShownReadBack) +
                                                  strUnit),
                                         QString::fromStdString(item.strShownAsked) + strUnit);
        for (COCControl* pControl : m_dlg.OverClockPage().Controls()) {
            if (EqualsNoCase(pControl->GetName(), FromUtf8(item.strName))) {
                pControl->SetHeldNote(strNote);
            }
        }
        strHeld += QStringLiteral("\n") + strName + QStringLiteral(": ") + strNote;
    }
    if (!strHeld.isEmpty()) {
        m_messageBox.ShowMessage(LocaleText(u"STR_READBACK_DIFFERS_MSG") + strHeld);
    }
    if (entry.action == EJournalAction::Recover && m_writeBack) {
        m_writeBack.reset();
        if (!entry.bOk) {
            m_messageBox.ShowMessage(LocaleText(u"STR_RECOVER_FAILED_MSG"));
            return;
        }
        // Once per stall, and never more: the watch starts again from here.
        m_bRecoveredThisStall = true;
        OnPowerRequested(kResetCode);
        m_link.RequestPower(kResetCode);
        m_messageBox.ShowMessage(LocaleText(u"STR_RECOVER_DONE_MSG"));
        return;
    }
    m_writeBack.reset();
    if (entry.action == EJournalAction::Apply && m_settings.bAskToKeep && entry.ChangedSomething()) {
        AskToKeep(entry);
    }
}

void CSafetyNetController::Undo() {
    if (m_dlg.IsBoardLocked() || m_dlg.IsReconnecting() || !m_link.IsLoaded() || !MayApply()) {
        return;
    }
    if (m_dlg.OverClockPage().HasUnappliedEdits()) {
        m_messageBox.ShowMessage(LocaleText(u"STR_UNDO_EDITS_MSG"));
        return;
    }
    const std::optional<JournalEntry> last =
        LastChangingWrite(m_journal.Read().entries, ToUtf8(m_link.GetBoardVersion()));
    if (!last) {
        m_messageBox.ShowMessage(LocaleText(u"STR_UNDO_NOTHING_MSG"));
        return;
    }
    StartWriteBack(*last, EPurpose::Undo);
}

void CSafetyNetController::StartWriteBack(const JournalEntry& entry, EPurpose purpose) {
    if (!m_link.IsDescriptionConfirmed()) {
        if (m_messageBox.AskYesNo(LocaleText(u"STR_DESC_UNCONFIRMED_MSG"))) {
            m_dlg.ReloadBoard();
        }
        return;
    }
    // The board's values now first: what was changed since is not written over unasked.
    m_writeBack = entry;
    m_ePurpose = purpose;
    m_eStage = EStage::ReadingForPlan;
    m_dlg.OverClockPage().RefreshFromBoard();
}

QString CSafetyNetController::PlanLines(const UndoPlan& plan, bool bChangedSinceOnly) {
    QString strLines;
    for (const UndoItem& item : plan.items) {
        if (bChangedSinceOnly && !item.bChangedSince) {
            continue;
        }
        strLines += QStringLiteral("\n") + QString::fromStdString(item.written.strName) +
                    QStringLiteral(": ") +
                    QString::fromStdString(item.strShownNow.empty() ? "?" : item.strShownNow) +
                    QStringLiteral(" → ") + QString::fromStdString(item.written.strShownBefore) +
                    QStringLiteral(" ") + QString::fromStdString(item.written.strUnit);
    }
    return strLines;
}

void CSafetyNetController::ContinueWriteBack(bool bRead) {
    m_eStage = EStage::Idle;
    if (!m_writeBack) {
        return;
    }
    const JournalEntry entry = *m_writeBack;
    const UndoPlan plan = PlanUndo(entry, m_link);
    const bool bAsk = m_ePurpose == EPurpose::Undo ||
                      (m_ePurpose == EPurpose::Recover && !m_settings.bAutoRecover);
    if (!bRead || plan.items.empty()) {
        m_writeBack.reset();
        if (bAsk) {
            m_messageBox.ShowMessage(LocaleText(bRead ? u"STR_UNDO_NOTHING_MSG"
                                                      : u"STR_UNDO_UNREAD_MSG"));
        }
        return;
    }
    // A value someone changed since is written over only when the user says so.
    bool bWithChanged = false;
    if (plan.ChangedSinceCount() > 0 && bAsk) {
        bWithChanged = m_messageBox.AskYesNo(
            LocaleText(u"STR_UNDO_CHANGED_MSG") + PlanLines(plan, true), IMessageBox::EDefault::No);
    }
    const QString strQuestion = m_ePurpose == EPurpose::Undo
                                    ? LocaleText(u"STR_UNDO_CONFIRM_MSG")
                                    : LocaleText(u"STR_STALL_RECOVER_CONFIRM_MSG");
    if (bAsk && !m_messageBox.AskYesNo(strQuestion + PlanLines(plan, false))) {
        m_writeBack.reset();
        return;
    }
    static constexpr std::array<EJournalAction, 3> kActions = {
        EJournalAction::Undo, EJournalAction::Revert, EJournalAction::Recover};
    static constexpr std::array<const char*, 3> kCommands = {"undo", "revert",
                                                             "restore after a stalled start-up"};
    const auto nPurpose = static_cast<size_t>(m_ePurpose);
    m_record.emplace(m_link, "tunevo", kCommands[nPurpose], kActions[nPurpose]);
    m_record->SetAddress(m_link.SessionPortName());
    m_record->SetUndoes(entry.strId);
    if (!StageUndo(m_link, plan, bWithChanged)) {
        m_record.reset();
        m_writeBack.reset();
        m_messageBox.ShowMessage(LocaleText(u"STR_UNDO_UNREAD_MSG"));
        return;
    }
    m_eStage = EStage::Applying;
    m_dlg.OverClockPage().ShowWaiting();
    m_link.RequestStoredApply(CDeviceLink::EApplyScope::UserSet);
}

void CSafetyNetController::AskToKeep(const JournalEntry& entry) {
    m_keepEntry = entry;
    m_nKeepSecondsLeft = m_settings.nKeepSeconds;
    m_ePrompt = EPrompt::Keep;
    m_pPrompt->Ask(LocaleText(u"STR_KEEP_ASK").arg(m_nKeepSecondsLeft), LocaleText(u"STR_KEEP"),
                   LocaleText(u"STR_REVERT"));
    m_dlg.ShowOverlay(*m_pPrompt, PromptRect());
    m_pPrompt->AcceptButton().setFocus(Qt::OtherFocusReason);
    m_keepTimer.start();
}

void CSafetyNetController::OnKeepTick() {
    if (--m_nKeepSecondsLeft > 0) {
        m_pPrompt->SetText(LocaleText(u"STR_KEEP_ASK").arg(m_nKeepSecondsLeft));
        return;
    }
    Revert();
}

void CSafetyNetController::Keep() {
    m_keepEntry.reset();
    ClosePrompt();
}

void CSafetyNetController::Revert() {
    const std::optional<JournalEntry> entry = std::exchange(m_keepEntry, std::nullopt);
    ClosePrompt();
    if (!entry) {
        return;
    }
    if (m_dlg.IsReconnecting() || !m_link.IsLoaded()) {
        m_pendingRevert = entry;
        m_messageBox.ShowMessage(LocaleText(u"STR_REVERT_WAITING"));
        return;
    }
    StartWriteBack(*entry, EPurpose::Revert);
}

void CSafetyNetController::ClosePrompt() {
    m_keepTimer.stop();
    m_ePrompt = EPrompt::None;
    m_pPrompt->hide();
    m_dlg.RestoreSoftKeys();
}

void CSafetyNetController::OnBoardBack() {
    m_bSawReconnect = false;
    if (const std::optional<JournalEntry> entry = std::exchange(m_pendingRevert, std::nullopt)) {
        StartWriteBack(*entry, EPurpose::Revert);
    }
}

void CSafetyNetController::OnPowerRequested(int nCode) {
    m_nPowerCode = nCode;
}

void CSafetyNetController::OnPowerCommandDone(bool bOk) {
    if (m_nPowerCode == 0) {
        return;
    }
    const char* pszAction = PowerName(std::exchange(m_nPowerCode, 0));
    JournalEntry entry =
        NewJournalEntry("tunevo", std::string("power ") + pszAction, EJournalAction::Power);
    entry.strAddress = m_link.SessionPortName();
    entry.strBoard = ToUtf8(m_link.GetBoardVersion());
    entry.strPower = pszAction;
    entry.bOk = bOk;
    Append(entry);
    const std::string strAction = pszAction;
    if (bOk && (strAction == "on" || strAction == "reset")) {
        m_watch.Begin(Clock::now());
    }
}

std::optional<JournalEntry> CSafetyNetController::LastWriteSinceStart() const {
    return WriteSinceLastStart(m_journal.Read().entries, ToUtf8(m_link.GetBoardVersion()));
}

void CSafetyNetController::OnWatchTick() {
    if (m_dlg.IsReconnecting()) {
        // The board went: a countdown's values are written back once it returns.
        if (!m_bSawReconnect) {
            m_bSawReconnect = true;
            if (m_record) {
                FinishRecord(false);
            }
            // A write-back waiting for its read is not answered; a revert is
            // kept below, and a stall is seen anew.
            m_writeBack.reset();
            m_eStage = EStage::Idle;
            if (m_ePrompt == EPrompt::Keep && m_keepEntry) {
                m_pendingRevert = std::exchange(m_keepEntry, std::nullopt);
                ClosePrompt();
                m_messageBox.ShowMessage(LocaleText(u"STR_REVERT_WAITING"));
            }
        }
        return;
    }
    const int nCode = m_link.PosterCode();
    if (!m_link.IsLoaded() || nCode == CDeviceLink::kStateUnknown) {
        return;
    }
    const CBootWatch::EState before = m_watch.State();
    const CBootWatch::EState now = m_watch.Observe(Clock::now(), nCode);
    if (now == before) {
        return;
    }
    if (now == CBootWatch::EState::Ready && before != CBootWatch::EState::Idle) {
        m_bRecoveredThisStall = false;
        JournalEntry entry = NewJournalEntry("tunevo", "start-up watch", EJournalAction::Started);
        entry.strAddress = m_link.SessionPortName();
        entry.strBoard = ToUtf8(m_link.GetBoardVersion());
        entry.strNote = "code " + HexCode(nCode).toStdString();
        Append(entry);
    }
    if (now == CBootWatch::EState::Stalled) {
        ShowStall();
    } else if (m_ePrompt == EPrompt::Stall) {
        ClosePrompt();  // it moved on
    }
}

void CSafetyNetController::ShowStall() {
    const int nCode = m_watch.Code();
    const QString strCode = HexCode(nCode);
    const QString strText = QString::fromStdString(m_link.PosterCodeText(nCode));
    const std::optional<JournalEntry> last = LastWriteSinceStart();
    const QString strLast =
        last ? CLogScreen::LocalTimeText(last->time, QStringLiteral("HH:mm:ss ")) +
                   QString::fromStdString(last->strProgram + " " + last->strCommand)
             : LocaleText(u"STR_STALL_NO_APPLY");
    const QString strCodeAndText =
        strText.isEmpty() ? strCode : strCode + QStringLiteral(" (") + strText + u')';
    const QString strBanner = LocaleText(u"STR_STALL_BANNER")
                                  .arg(strCodeAndText)
                                  .arg(m_settings.nStuckSeconds)
                                  .arg(strLast);
    m_notifier.Notify(QStringLiteral("Tunevo"), LocaleText(u"STR_STALL_NOTICE").arg(strCode));
    std::string strError;
    AppendAlarm({LogClock::now(), ToUtf8(m_link.GetBoardVersion()), "POST code",
                 strCode.toStdString() + " " + strText.toStdString(), ""},
                strError);
    if (m_ePrompt == EPrompt::Keep) {
        return;  // the question in hand stays; the desktop and the log have it
    }
    m_ePrompt = EPrompt::Stall;
    m_pPrompt->Ask(strBanner, LocaleText(u"STR_STALL_RECOVER"), LocaleText(u"STR_STALL_DISMISS"));
    // Offered only when there is something to restore, and once per stall.
    m_pPrompt->AcceptButton().setEnabled(last.has_value() && !m_bRecoveredThisStall);
    m_dlg.ShowOverlay(*m_pPrompt, PromptRect());
    if (last && !m_bRecoveredThisStall && m_settings.bAutoRecover) {
        RecoverFromStall();
    }
}

void CSafetyNetController::RecoverFromStall() {
    const std::optional<JournalEntry> last = LastWriteSinceStart();
    ClosePrompt();
    if (!last || m_bRecoveredThisStall || m_dlg.IsReconnecting() || !MayApply()) {
        return;
    }
    StartWriteBack(*last, EPurpose::Recover);
}

void CSafetyNetController::ToggleAskToKeep() {
    m_settings.bAskToKeep = !m_settings.bAskToKeep;
    std::string strWhy;
    if (!m_settings.Save(strWhy)) {
        qWarning("tunevo: the safety net's settings: %s", strWhy.c_str());
    }
    ShowState();
}

void CSafetyNetController::ShowState() {
    if (CSoftKeyBar* pBar = m_dlg.Frame().SoftKeyBar()) {
        if (QAction* pKeep = pBar->Action(ID_MENU_KEEP_ASK)) {
            pKeep->setCheckable(true);
            pKeep->setChecked(m_settings.bAskToKeep);
            pKeep->setText(LocaleText(u"STR_KEEP_SETTING")
                               .arg(LocaleText(m_settings.bAskToKeep ? u"STR_ON" : u"STR_OFF")));
        }
    }
}
