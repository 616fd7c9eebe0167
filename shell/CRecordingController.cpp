#include "shell/CRecordingController.h"

#include <QAction>

#include "link/CDeviceLink.h"
#include "link/Recording.h"
#include "screens/IMessageBox.h"
#include "screens/ScreenPainting.h"
#include "shell/CDeviceFrame.h"
#include "shell/CSoftKeyBar.h"
#include "shell/MenuResources.h"

CRecordingController::CRecordingController(CDeviceLink& link, CDeviceFrame& frame,
                                           IMessageBox& messageBox)
    : m_link(link), m_frame(frame), m_messageBox(messageBox) {}

void CRecordingController::OnArrayRefreshed(int nKind) {
    if (!m_file.IsOpen() || nKind < static_cast<int>(EBoardArray::HwVolt) || nKind > kLastArray) {
        return;
    }
    const auto array = static_cast<EBoardArray>(nKind);
    for (const RecordedValue& value :
         RecordedValuesOf(array, m_link.GetArray(array), LogClock::now())) {
        if (!m_file.WriteLine(RecordingLine(value))) {
            // A full disk: what was written stays, whole lines only.
            const QString strFile = QString::fromStdString(m_file.Path());
            Stop();
            m_messageBox.ShowMessage(LocaleText(u"STR_RECORD_ERROR_MSG").arg(strFile));
            return;
        }
    }
}

void CRecordingController::Toggle() {
    if (m_file.IsOpen()) {
        Stop();
        return;
    }
    std::string strError;
    if (!m_file.Create(RecordingPath(LogClock::now()), kRecordingHeader, strError)) {
        m_file.Close();
        m_messageBox.ShowMessage(
            LocaleText(u"STR_RECORD_ERROR_MSG").arg(QString::fromStdString(strError)));
        return;
    }
    ShowState();
}

void CRecordingController::Stop() {
    m_file.Close();
    ShowState();
}

void CRecordingController::ShowState() {
    const QString strFile = QString::fromStdString(m_file.Path()).section(u'/', -1, -1);
    m_frame.SetCaption(m_file.IsOpen()
                           ? QStringLiteral("Tunevo \u25CF ") + LocaleText(u"STR_RECORDING")
                           : QStringLiteral("Tunevo"),
                       m_file.IsOpen() ? strFile : QString());
    if (CSoftKeyBar* pBar = m_frame.SoftKeyBar()) {
        if (QAction* pRecord = pBar->Action(ID_MENU_RECORD)) {
            pRecord->setText(LocaleText(m_file.IsOpen() ? u"STR_RECORD_STOP" : u"STR_RECORD"));
        }
    }
}
