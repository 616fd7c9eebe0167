#include "shell/CScreen_Splash.h"

#include "link/LinkErrors.h"

#include <QDialog>
#include <QPainter>

#include "data/LocaleStringTable.h"
#include "link/CDeviceLink.h"
#include "screens/IMessageBox.h"
#include "screens/ScreenPainting.h"
#include "shell/CBoardChooser.h"
#include "shell/CDeviceFrame.h"
#include "shell/CListenerBridge.h"
#include "shell/CTunevoDlg.h"
#include "shell/StartupLog.h"
#include "widgets/ScreenLayout.h"
#include "widgets/SvgImage.h"

namespace {

const QColor kTaglineColour(255, 217, 201);
constexpr int kChooserMargin = 10;

struct SplashLayout {
    const char* pszBackground;
    QSize backgroundSize;
    QPoint iconPosition;
    QRect rcVersion;  // left, top, width, height
    QRect rcProgress;
    int nProgressFont;
    // Under the name, in the locale's language.
    QRect rcTagline;
    int nTaglineFont;
};

SplashLayout LayoutValues(uint8_t nLayout) {
    switch (nLayout) {
        case LayoutSmall:
            return {":/images/splash_small.svg",
                    QSize(240, 348),
                    QPoint(96, 178),
                    QRect(0, 250, 240, 20),
                    QRect(0, 229, 240, 18),
                    11,
                    QRect(0, 118, 240, 16),
                    10};
        case LayoutMedium:
            return {":/images/splash_medium.svg",
                    QSize(480, 536),
                    QPoint(190, 350),
                    QRect(0, 495, 480, 30),
                    QRect(0, 458, 480, 28),
                    15,
                    QRect(0, 190, 480, 30),
                    20};
        default:
            return {":/images/splash_large.svg",
                    QSize(480, 696),
                    QPoint(190, 430),
                    QRect(0, 600, 480, 50),
                    QRect(0, 545, 480, 30),
                    16,
                    QRect(0, 238, 480, 30),
                    20};
    }
}

}  // namespace

CScreen_Splash::CScreen_Splash(CDeviceFrame& frame, CDeviceLink& link, CListenerBridge& bridge,
                               IMessageBox& messageBox)
    : QWidget(&frame.ClientArea()),
      m_frame(frame),
      m_pLink(&link),
      m_bridge(bridge),
      m_messageBox(messageBox) {
    const QSize clientSize = frame.ClientSize();
    setGeometry(QRect(QPoint(0, 0), clientSize));

    g_nScreenLayout = ChooseLayout(clientSize);
    const SplashLayout layout = LayoutValues(g_nScreenLayout);
    m_iconPosition = layout.iconPosition;
    m_rcVersion = layout.rcVersion;
    m_rcProgress = layout.rcProgress;
    m_progressFont = ScreenFont(layout.nProgressFont);
    m_rcTagline = layout.rcTagline;
    m_taglineFont = ScreenFont(layout.nTaglineFont);

    m_nFrame = 0;
    m_timerAnimate.setInterval(kAnimatePeriodMs);
    connect(&m_timerAnimate, &QTimer::timeout, this, &CScreen_Splash::OnTimerAnimate);
    m_timerAnimate.start();
    m_pFrames = std::make_unique<BusyFrames>(g_nScreenLayout);

    LocaleStringTable& texts = LocaleStringTable::Instance();
    texts.Load();
    if (!texts.Problem().empty()) {
        qWarning("tunevo: %s", texts.Problem().c_str());
    }
    m_strLinkLost = QString::fromStdU16String(texts.GetString(u"STR_CONN_NA"));
    m_strTagline = QString::fromStdU16String(texts.GetString(u"STR_SPLASH_TAGLINE"));

    bridge.SetReceiver(this, this);
    m_pLink->SetListener(&bridge);

    m_timerStartSearch.setSingleShot(true);
    m_timerStartSearch.setInterval(kStartSearchDelayMs);
    connect(&m_timerStartSearch, &QTimer::timeout, this, &CScreen_Splash::OnTimerStartSearch);
    m_timerStartSearch.start();

    m_background = RenderSvg(QString::fromLatin1(layout.pszBackground), layout.backgroundSize);

    m_pChooser = new CBoardChooser(this);
    m_pChooser->setGeometry(rect().adjusted(kChooserMargin, clientSize.height() / 5,
                                            -kChooserMargin, -clientSize.height() / 5));
    connect(m_pChooser, &CBoardChooser::Chosen, this, [this](int nIndex, bool bRemember) {
        m_pLink->ChooseBoard(static_cast<size_t>(nIndex), bRemember);
    });
}

CScreen_Splash::~CScreen_Splash() {
    delete m_pMainWindow.data();
    if (m_pLink != nullptr) {
        m_pLink = nullptr;
        CDeviceLink::Destroy();
    }
}

CTunevoDlg* CScreen_Splash::MainWindow() const {
    return m_pMainWindow.data();
}

bool CScreen_Splash::MayQuit() const {
    return m_pMainWindow == nullptr || m_pMainWindow->MayQuit();
}

void CScreen_Splash::OnTimerAnimate() {
    m_nFrame = BusyFrames::Next(m_nFrame);
    update();
}

void CScreen_Splash::OnTimerStartSearch() {
    m_timerStartSearch.stop();
    LogStartupStep("search started");
    m_pLink->StartPortSearch();
}

QString CScreen_Splash::NoBoardText() const {
    // A named board that could not be reached says why; the search says
    // whether a port was held.
    const char16_t* pszKey = nullptr;
    switch (m_pLink->LastConnectError()) {
        case EConnectError::NoBluetooth:
            pszKey = u"STR_BOARD_NO_BLUETOOTH";
            break;
        case EConnectError::Unreachable:
        case EConnectError::NoSuchHost:
            pszKey = u"STR_BOARD_UNREACHABLE";
            break;
        case EConnectError::Refused:
            pszKey = u"STR_BOARD_REFUSED";
            break;
        case EConnectError::NotPaired:
            pszKey = u"STR_BOARD_NOT_PAIRED";
            break;
        case EConnectError::Other:
        case EConnectError::None:
            break;
    }
    if (pszKey == nullptr) {
        return m_pLink->IsPortHeldElsewhere() ? LocaleText(u"STR_PORT_HELD") : m_strLinkLost;
    }
    return LocaleText(pszKey) + QLatin1Char('\n') + m_strLinkLost;
}

void CScreen_Splash::OnLinkState(bool bConnected) {
    if (!bConnected) {
        ShowLinkLost(NoBoardText());
        return;
    }
    LogStartupStep("board found");
    m_pLink->StartLink();
}

void CScreen_Splash::OnBoardChoice(std::vector<std::string> boards) {
    if (!m_bEnded) {
        m_strProgress.clear();
        update(m_rcProgress);
        m_pChooser->Offer(boards);
    }
}

void CScreen_Splash::OnProgress(EProgress step, int n, int nOf) {
    const LocaleStringTable& texts = LocaleStringTable::Instance();
    const char16_t* pszKey = step == EProgress::SearchingPort        ? u"STR_PROGRESS_SEARCH"
                             : step == EProgress::ReadingDescription ? u"STR_PROGRESS_DESCRIPTION"
                                                                     : u"STR_PROGRESS_VALUES";
    // A board tried by its address is named, not numbered.
    const std::string strPort = step == EProgress::SearchingPort ? m_pLink->PortName(n) : "";
    if (!strPort.empty()) {
        pszKey = u"STR_PROGRESS_CONNECT";
    }
    m_strProgress =
        QString::fromStdU16String(texts.GetString(pszKey))
            .arg(strPort.empty() ? QString::number(n) : QString::fromStdString(strPort));
    if (step != EProgress::SearchingPort) {
        m_strProgress = m_strProgress.arg(nOf);
    }
    update(m_rcProgress);
    if (step == EProgress::ReadingValues && n == 1) {
        // The description is in: the window need not wait for the values.
        LogStartupStep("description in");
        OpenMainWindow(true);
    }
}

void CScreen_Splash::OnLinkError(int nKind, std::string /*strText*/) {
    m_bDownloadFailed =
        m_bDownloadFailed || nKind == kErrorConfigDownload || nKind == kErrorConfigFile;
}

void CScreen_Splash::OnConfigLoaded(bool bOk) {
    if (!bOk) {
        ShowLinkLost(m_strLinkLost);
        return;
    }
    OpenMainWindow(false);
}

void CScreen_Splash::OpenMainWindow(bool bValuesToCome) {
    if (m_pMainWindow != nullptr || m_bEnded) {
        return;
    }
    LocaleStringTable& texts = LocaleStringTable::Instance();
    const std::vector<std::string> problems = m_pLink->DescriptionProblems();
    const bool bAnyItem = std::ranges::any_of(
        kAllArrays, [this](EBoardArray array) { return m_pLink->ArraySize(array) > 0; });
    if (!bAnyItem) {
        if (bValuesToCome) {
            return;  // said once the load has ended
        }
        // Nothing is known of the board: there is no window to show.
        m_bLinkLostShown = true;
        m_messageBox.ShowMessage(
            m_bDownloadFailed && problems.empty()
                ? QString::fromStdU16String(texts.GetString(u"STR_CONFIG_NONE_MSG"))
                : DescriptionProblemText(u"STR_CONFIG_UNUSABLE_MSG", problems));
        EndScreen(QDialog::Accepted);
        return;
    }
    m_timerAnimate.stop();
    m_pMainWindow = new CTunevoDlg(*m_pLink, m_bridge, m_messageBox, m_frame);
    connect(m_pMainWindow.data(), &CTunevoDlg::Ended, this, &CScreen_Splash::OnMainWindowEnded);
    m_pMainWindow->Run(bValuesToCome ? CTunevoDlg::EValues::ToCome : CTunevoDlg::EValues::In);
    LogStartupStep("main window shown");
    emit MainWindowShown(m_pMainWindow.data());
    if (m_bDownloadFailed) {
        // Said over the main window: its items may not be the board's.
        const QString strText = QString::fromStdU16String(texts.GetString(u"STR_CONFIG_OLD_MSG"));
        QTimer::singleShot(0, m_pMainWindow.data(),
                           [this, strText] { m_messageBox.ShowMessage(strText); });
    }
    if (!problems.empty()) {
        const QString strText = DescriptionProblemText(u"STR_CONFIG_PROBLEMS_MSG", problems);
        QTimer::singleShot(0, m_pMainWindow.data(),
                           [this, strText] { m_messageBox.ShowMessage(strText); });
    }
}

QString CScreen_Splash::DescriptionProblemText(const char16_t* pszKey,
                                               const std::vector<std::string>& problems) {
    // The lines name items and fields as the description spells them.
    constexpr size_t kMostLines = 8;
    QString strText = QString::fromStdU16String(LocaleStringTable::Instance().GetString(pszKey));
    for (size_t i = 0; i < problems.size() && i < kMostLines; ++i) {
        strText += QStringLiteral("\n• ") + QString::fromStdString(problems[i]);
    }
    if (problems.size() > kMostLines) {
        strText += QStringLiteral("\n… (+%1)").arg(problems.size() - kMostLines);
    }
    return strText;
}

void CScreen_Splash::OnMainWindowEnded(int nResult) {
    // Reports from here on come back to the splash, which lets them pass; the
    // window itself goes with the splash, once no message box of it is open.
    m_bridge.SetReceiver(this, this);
    m_pMainWindow->hide();
    if (nResult == QDialog::Accepted) {
        EndScreen(QDialog::Accepted);
    }
}

void CScreen_Splash::ShowLinkLost(const QString& strText) {
    // However many reports say so while the box is up, it is shown once;
    // after the main window has ended the program is ending anyway.
    if (m_bLinkLostShown || m_bEnded) {
        return;
    }
    m_bLinkLostShown = true;
    m_messageBox.ShowMessage(strText);
    EndScreen(QDialog::Accepted);
}

void CScreen_Splash::EndScreen(int nResult) {
    if (m_bEnded) {
        return;
    }
    m_bEnded = true;
    m_timerAnimate.stop();
    emit Ended(nResult);
}

void CScreen_Splash::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // A window larger than the layout (full screen) shows the page colour around it.
    painter.fillRect(rect(), QColor(80, 0, 0));
    painter.drawPixmap(0, 0, m_background);
    painter.drawPixmap(m_iconPosition, m_pFrames->Frame(m_nFrame));
    painter.setPen(Qt::white);
    painter.drawText(m_rcVersion, Qt::AlignHCenter | Qt::AlignTop,
                     QString::fromLatin1(kVersionText));
    painter.setFont(m_progressFont);
    painter.drawText(m_rcProgress, Qt::AlignCenter, m_strProgress);
    painter.setFont(m_taglineFont);
    painter.setPen(kTaglineColour);
    painter.drawText(m_rcTagline, Qt::AlignCenter, m_strTagline);
}
