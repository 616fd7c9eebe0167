#include "screens/CScreen_AlarmLog.h"

#include <QListWidget>
#include <ranges>

#include "data/MonitorLog.h"
#include "screens/ScreenPainting.h"

CScreen_AlarmLog::CScreen_AlarmLog(IMainWindow& mainWindow, QWidget* pParent)
    : CLogScreen(mainWindow, LocaleText(u"STR_ALARM_LOG"), pParent),
      m_strEntry(LocaleText(u"STR_ALARM_NOTICE")) {}

void CScreen_AlarmLog::Fill(QListWidget& list) {
    const std::vector<AlarmEntry> entries = ReadAlarms();
    for (const AlarmEntry& entry : std::views::reverse(entries)) {
        const QString strWhen = LocalTimeText(entry.time);
        const QString strWhat = m_strEntry.arg(QString::fromStdString(entry.strItem),
                                               QString::fromStdString(entry.strValue),
                                               QString::fromStdString(entry.strUnit));
        auto* pEntry = new QListWidgetItem(strWhen + u'\n' + strWhat, &list);
        pEntry->setToolTip(QString::fromStdString(entry.strBoard));
    }
    if (entries.empty()) {
        AddNote(LocaleText(u"STR_ALARM_LOG_EMPTY"));
    }
}
