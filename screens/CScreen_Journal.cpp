#include "screens/CScreen_Journal.h"

#include <QListWidget>
#include <ranges>

#include "data/CJournal.h"
#include "screens/ScreenPainting.h"

namespace {

// Every entry at most: the screen is for the recent past; tunevoctl journal
// shows all.
constexpr size_t kMostShown = 200;

QString ActionText(EJournalAction action) {
    switch (action) {
        case EJournalAction::Apply:
            return LocaleText(u"STR_JOURNAL_APPLY");
        case EJournalAction::Undo:
            return LocaleText(u"STR_JOURNAL_UNDO");
        case EJournalAction::Revert:
            return LocaleText(u"STR_JOURNAL_REVERT");
        case EJournalAction::Recover:
            return LocaleText(u"STR_JOURNAL_RECOVER");
        case EJournalAction::Power:
            return LocaleText(u"STR_JOURNAL_POWER");
        case EJournalAction::Started:
            return LocaleText(u"STR_JOURNAL_STARTED");
    }
    return {};
}

QString Shown(const std::string& strShown, const std::string& strRaw) {
    return QString::fromStdString(strShown.empty() ? strRaw : strShown);
}

QString EntryText(const JournalEntry& entry) {
    const QString strWhen = CLogScreen::LocalTimeText(entry.time);
    QString strText = strWhen + QStringLiteral("  ") + ActionText(entry.action);
    if (entry.action == EJournalAction::Power || entry.action == EJournalAction::Started) {
        const std::string& strWhat =
            entry.action == EJournalAction::Power ? entry.strPower : entry.strNote;
        strText += QStringLiteral(": ") + QString::fromStdString(strWhat);
        if (!entry.bOk) {
            strText += QStringLiteral("  ✗ ") + LocaleText(u"STR_JOURNAL_NOT_TAKEN");
        }
        return strText;
    }
    for (const JournalItem& item : entry.items) {
        if (!item.Changed() && item.bAcknowledged && !item.ReadBackDiffers()) {
            continue;  // sent as it stood, as the first item of an apply always is
        }
        strText += u'\n' + QString::fromStdString(item.strName) + QStringLiteral(": ") +
                   Shown(item.strShownBefore, item.strBefore) + QStringLiteral(" → ") +
                   Shown(item.strShownAsked, item.strAsked) + u' ' +
                   QString::fromStdString(item.strUnit);
        if (!item.bAcknowledged) {
            strText += QStringLiteral("  ✗ ") + LocaleText(u"STR_JOURNAL_NOT_TAKEN");
        } else if (item.ReadBackDiffers()) {
            strText += QStringLiteral("  ✗ ") +
                       LocaleText(u"STR_JOURNAL_HELD").arg(QString::fromStdString(item.strShownReadBack));
        }
    }
    return strText;
}

}  // namespace

CScreen_Journal::CScreen_Journal(IMainWindow& mainWindow, QWidget* pParent)
    : CLogScreen(mainWindow, LocaleText(u"STR_JOURNAL"), pParent) {}

void CScreen_Journal::Fill(QListWidget& list) {
    const std::vector<JournalEntry> entries = CJournal().Read().entries;
    size_t nShown = 0;
    for (const JournalEntry& entry : std::views::reverse(entries)) {
        if (++nShown > kMostShown) {
            break;
        }
        auto* pEntry = new QListWidgetItem(EntryText(entry), &list);
        pEntry->setToolTip(QString::fromStdString(entry.strProgram + " " + entry.strCommand + ", " +
                                                  entry.strBoard + " " + entry.strAddress));
    }
    if (entries.empty()) {
        AddNote(LocaleText(u"STR_JOURNAL_EMPTY"));
    }
}
