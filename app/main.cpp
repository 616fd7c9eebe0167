// tunevo: remote tuning of a PC motherboard over a Bluetooth serial link.

#include <QMessageBox>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <map>
#include <memory>
#include <optional>

#include "app/CSignalQuitter.h"
#include "app/CommandLine.h"
#include "app/Screenshot.h"
#include "data/CWindowSettings.h"
#include "data/IniPaths.h"
#include "data/LocaleStringTable.h"
#include "data/MonitorLog.h"
#include "link/CDeviceLink.h"
#include "link/CNamedBoardOpener.h"
#include "platform/CDevicePortOpener.h"
#include "platform/CSteadyClock.h"
#include "platform/LocaleId.h"
#include "platform/ProgramDir.h"
#include "screens/CSubScreen_Monitor.h"
#include "screens/ScreenPainting.h"
#include "shell/CDeviceFrame.h"
#include "shell/CListenerBridge.h"
#include "shell/CQtMessageBox.h"
#include "shell/CScreen_Splash.h"
#include "shell/CSingleCopyGuard.h"
#include "shell/CTunevoApp.h"
#include "shell/CTunevoDlg.h"
#include "shell/CWindowZoom.h"
#include "shell/MenuResources.h"
#include "shell/StartupLog.h"
#include "sim/CDemoBoard.h"
#include "sim/CFixedRadio.h"
#include "widgets/ScreenLayout.h"

namespace {

// Opens what --show names on the main window, as the user's taps would.
void ShowOnMainWindow(CTunevoDlg& mainWindow, const QString& strShow) {
    const std::map<QString, int> categories = {
        {QStringLiteral("voltage"), CSubScreen_Monitor::kCategoryVolt},
        {QStringLiteral("temperature"), CSubScreen_Monitor::kCategoryTemp},
        {QStringLiteral("fan"), CSubScreen_Monitor::kCategoryFan},
        {QStringLiteral("frequency"), CSubScreen_Monitor::kCategoryFreq}};
    const std::map<QString, int> commands = {
        {QStringLiteral("power"), ID_MENU_LUMO_REMOTE},
        {QStringLiteral("poster"), ID_MENU_LUMO_POSTER},
        {QStringLiteral("save-profile-1"), ID_MENU_SAVE_PROFILE_ONE},
        {QStringLiteral("save-profile-2"), ID_MENU_SAVE_PROFILE_TWO},
        {QStringLiteral("load-profile-1"), ID_MENU_LOAD_PROFILE_ONE},
        {QStringLiteral("load-profile-2"), ID_MENU_LOAD_PROFILE_TWO},
        {QStringLiteral("display-setting"), ID_MENU_DISPLAY_SETTING},
        {QStringLiteral("alarm-log"), ID_MENU_ALARM_LOG},
        {QStringLiteral("journal"), ID_MENU_JOURNAL}};
    if (auto command = commands.find(strShow); command != commands.end()) {
        mainWindow.OnMenuCommand(command->second);
    } else if (auto it = categories.find(QString(strShow).remove(QStringLiteral("-graph")));
               it != categories.end()) {
        mainWindow.ShowPage(CTunevoDlg::kPageMonitor);
        mainWindow.MonitorPage().ShowCategory(it->second);
        if (strShow.endsWith(u"-graph")) {
            mainWindow.MonitorPage().ChooseRow(0);
        }
    }
}

// The window's layout and scale: a --screen size or a screenshot's as they
// are, full screen the largest that fills it, else the kept zoom where the
// screen has room for it and the best fit where not.
struct WindowChoice {
    CWindowZoom::Fit fit;
    bool bKeepZoom = false;  // a zoom of this window is kept for the next start
};

WindowChoice ChooseWindow(const CommandLine& line, const QScreen& screen,
                          const std::string& strZoomFolder) {
    if (line.clientSize.isValid()) {
        return {{line.clientSize, 1}};
    }
    if (!line.strScreenshot.isEmpty()) {
        // Not limited by any screen.
        return {{kDefaultClientSize, 1}};
    }
    if (line.bFullScreen) {
        return {CWindowZoom::FitArea(screen.size())};
    }
    const QSize area =
        screen.availableSize() - QSize(0, CWindowZoom::kTitleBarAllowance);
    const double dKept = WindowSettings::Load(strZoomFolder).dScale;
    if (dKept > 0) {
        if (std::optional<CWindowZoom::Fit> fit = CWindowZoom::FitAtScale(area, dKept)) {
            return {*fit, true};
        }
    }
    return {CWindowZoom::FitArea(area), true};
}

// Exit code of a second copy that brought the running one to the front.
constexpr int kExitAlreadyRunning = -1;
constexpr int kExitUsage = 2;
}  // namespace

int main(int argc, char** argv) {
    NoteProgramStart();
    // Read before any window exists: help, version and errors need no display.
    QStringList arguments;
    for (int i = 1; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    QString strError;
    std::optional<CommandLine> line = ParseCommandLine(arguments, strError);
    if (!line) {
        std::fprintf(stderr, "tunevo: %s\n\n%s", qPrintable(strError),
                     qPrintable(CommandLineUsage()));
        return kExitUsage;
    }
    if (line->bHelp || line->bVersion) {
        std::fputs(line->bHelp ? qPrintable(CommandLineUsage()) : "tunevo " TUNEVO_VERSION "\n",
                   stdout);
        return 0;
    }
    CTunevoApp app(argc, argv);
    app.UseLanguage(GetSystemDefaultLCID());

    std::string strFolderError;
    if (!UseProgramFolders(strFolderError)) {
        LocaleStringTable::Instance().Load();
        QString strMessage = LocaleText(u"STR_FOLDER_ERROR_MSG");
        if (strMessage.isEmpty()) {
            strMessage = QStringLiteral("Tunevo cannot keep its files: %1");
        }
        QMessageBox::critical(nullptr, QStringLiteral("Tunevo"),
                              strMessage.arg(QString::fromStdString(strFolderError)));
        return 1;
    }
    // One zoom for the demo and the boards: it is the desktop's, not a board's.
    const std::string strZoomFolder = g_szProgramDir;
    if (line->bDemo) {
        // The simulated board keeps its description, profiles and settings in
        // a folder of its own: nothing of it mixes with a real board's files.
        if (g_szTextsDir.empty()) {
            g_szTextsDir = g_szProgramDir;
        }
        const std::string strDemoDir = DemoFolder(g_szProgramDir);
        if (!CreatePrivateFolder(strDemoDir, strFolderError)) {
            std::fprintf(stderr, "tunevo: %s\n", strFolderError.c_str());
            return 1;
        }
        g_szProgramDir = strDemoDir;
    }
    CSingleCopyGuard guard(
        CSingleCopyGuard::KeyForProgramDir(QString::fromStdString(g_szProgramDir)));
    if (!guard.FolderProblem().isEmpty()) {
        std::fprintf(stderr,
                     "tunevo: no folder of this user's alone for the single-copy lock (%s); a "
                     "second copy will not be kept out\n",
                     guard.FolderProblem().toLocal8Bit().constData());
    } else if (!guard.Claim()) {
        std::fprintf(stdout, "tunevo: already running from %s; brought its window to the front\n",
                     g_szProgramDir.c_str());
        return kExitAlreadyRunning;
    }

    std::unique_ptr<CDemoBoard> pDemo;
    if (line->bDemo) {
        pDemo = std::make_unique<CDemoBoard>();
        std::string strDemoError;
        if (!pDemo->Start(strDemoError)) {
            std::fprintf(stderr, "tunevo: the simulated board did not start: %s\n",
                         strDemoError.c_str());
            return 1;
        }
    }
    CDeviceLink::Environment environment = CDeviceLink::RealEnvironment();
    if (pDemo) {
        UseAlarmLogPath(pDemo->AlarmLogPath());
        environment = {std::make_shared<CDevicePortOpener>(pDemo->PortPattern()),
                       std::make_shared<CFixedRadio>(), std::make_shared<CSteadyClock>()};
    } else if (line->board) {
        // The named board alone; the radio is asked as for the search.
        environment.pOpener = std::make_shared<CNamedBoardOpener>(*line->board);
    }
    environment.timing = line->timing;
    CDeviceLink::SetEnvironment(std::move(environment));

    // Declared before the splash: the link's threads report through the
    // bridge until the splash has torn the link down.
    CListenerBridge bridge;
    const WindowChoice window = ChooseWindow(*line, *app.primaryScreen(), strZoomFolder);
    CWindowZoom::ScaleBeforeWindows(window.fit.dScale);
    CDeviceFrame frame(window.fit.client);
    new CWindowZoom(frame, window.fit.dScale, window.bKeepZoom ? strZoomFolder : std::string());
    CQtMessageBox messageBox(&frame);
    auto pSplash =
        std::make_unique<CScreen_Splash>(frame, CDeviceLink::Instance(), bridge, messageBox);
    guard.SetWindow(&frame);

    std::optional<int> exitCode;
    auto finish = [&exitCode](int nCode) {
        if (!exitCode) {
            exitCode = nCode;
        }
        QCoreApplication::exit(*exitCode);
    };
    QObject::connect(pSplash.get(), &CScreen_Splash::Ended, &app, [&finish](int) { finish(0); });
    if (!line->strShow.isEmpty()) {
        QObject::connect(pSplash.get(), &CScreen_Splash::MainWindowShown, &app,
                         [strShow = line->strShow](CTunevoDlg* pMainWindow) {
                             ShowOnMainWindow(*pMainWindow, strShow);
                         });
    }
    QObject::connect(&frame, &CDeviceFrame::CloseRequested, &app, [&finish, &pSplash] {
        if (pSplash->MayQuit()) {
            finish(0);
        }
    });
    CSignalQuitter quitter;
    QObject::connect(&quitter, &CSignalQuitter::Quit, &app, [&finish] { finish(0); });

    if (line->bFullScreen) {
        frame.ShowFullScreen();
    } else {
        frame.show();
    }
    LogStartupStep("splash shown");

    if (!line->strScreenshot.isEmpty()) {
        QTimer::singleShot(line->nScreenshotAfterMs, &app, [&] {
            const bool bSaved = SaveScreenshot(frame, line->strScreenshot);
            if (!bSaved) {
                std::fprintf(stderr, "tunevo: cannot write %s\n", qPrintable(line->strScreenshot));
            }
            finish(bSaved ? 0 : 1);
        });
    }

    const int nLoopResult = app.exec();
    pSplash.reset();
    return exitCode.value_or(nLoopResult);
}
