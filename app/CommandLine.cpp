#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QRegularExpression>

#include "widgets/ScreenLayout.h"

namespace {
constexpr int kMinSide = 100;
constexpr int kMaxSide = 8192;
constexpr int kMaxScreenshotDelayMs = 600000;
const QStringList kShownScreens = {QStringLiteral("power"),
                                   QStringLiteral("poster"),
                                   QStringLiteral("save-profile-1"),
                                   QStringLiteral("save-profile-2"),
                                   QStringLiteral("load-profile-1"),
                                   QStringLiteral("load-profile-2"),
                                   QStringLiteral("display-setting"),
                                   QStringLiteral("voltage"),
                                   QStringLiteral("temperature"),
                                   QStringLiteral("fan"),
                                   QStringLiteral("frequency"),
                                   QStringLiteral("voltage-graph"),
                                   QStringLiteral("temperature-graph"),
                                   QStringLiteral("fan-graph"),
                                   QStringLiteral("frequency-graph"),
                                   QStringLiteral("alarm-log"),
                                   QStringLiteral("journal")};
}  // namespace

QString CommandLineUsage() {
    return QStringLiteral(
        "Usage: tunevo [--demo | --board BOARD] [--screen WxH | --fullscreen]\n"
        "              [--show SCREEN] [--screenshot FILE [--after MS]]\n"
        "              [--link-timing fast|fixed]\n"
        "\n"
        "Remote tuning of a PC motherboard over a Bluetooth serial link.\n"
        "\n"
        "  --demo             run against the built-in simulated board\n"
        "  --board BOARD      the board to use: a Bluetooth address (AA:BB:CC:DD:EE:FF,\n"
        "                     /N for RFCOMM channel N), tcp:HOST:PORT for a serial\n"
        "                     server, or a device such as /dev/rfcomm0\n"
        "  --screen WxH       window client size: 480x696, 480x536 or 240x268; without\n"
        "                     it, the largest that fits the screen, drawn larger\n"
        "                     where there is room (Ctrl+Plus, Ctrl+Minus, Ctrl+0 zoom)\n"
        "  --fullscreen       fill the screen, the layout and scale that fit centred\n"
        "  --show SCREEN      once the main window is up, open a screen: power,\n"
        "                     poster, save-profile-1, save-profile-2, load-profile-1,\n"
        "                     load-profile-2, display-setting, alarm-log or journal;\n"
        "                     or the monitor page on its voltage, temperature, fan\n"
        "                     or frequency list; with -graph (fan-graph), the first\n"
        "                     row's graph\n"
        "  --screenshot FILE  save the window as a PNG after --after ms (3000) and exit\n"
        "  --link-timing T    fast (read each reply as soon as it is whole; the\n"
        "                     default) or fixed (wait 100 ms for every reply);\n"
        "                     TUNEVO_LINK_TIMING does the same\n"
        "  --help             this text\n"
        "  --version          the version of Tunevo\n"
        "\n"
        "Without --board (or TUNEVO_BOARD) the board is searched on /dev/rfcomm0 to\n"
        "/dev/rfcomm8; TUNEVO_PORT_PATTERN (for example /tmp/x/rfcomm%d) searches\n"
        "elsewhere.\n");
}

std::optional<CommandLine> ParseCommandLine(const QStringList& arguments, QString& strError) {
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, {});
    const QCommandLineOption version(QStringLiteral("version"), {});
    const QCommandLineOption demo(QStringLiteral("demo"), {});
    const QCommandLineOption fullScreen(QStringLiteral("fullscreen"), {});
    const QCommandLineOption screen(QStringLiteral("screen"), {}, QStringLiteral("WxH"));
    const QCommandLineOption show(QStringLiteral("show"), {}, QStringLiteral("SCREEN"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"), {}, QStringLiteral("FILE"));
    const QCommandLineOption after(QStringLiteral("after"), {}, QStringLiteral("MS"));
    const QCommandLineOption board(QStringLiteral("board"), {}, QStringLiteral("BOARD"));
    const QCommandLineOption timing(QStringLiteral("link-timing"), {}, QStringLiteral("TIMING"));
    parser.addOptions(
        {help, version, demo, fullScreen, screen, show, screenshot, after, board, timing});
    if (!parser.parse(QStringList(QStringLiteral("tunevo")) + arguments)) {
        strError = parser.errorText();
        return std::nullopt;
    }
    if (!parser.positionalArguments().isEmpty()) {
        strError = QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments()[0]);
        return std::nullopt;
    }
    CommandLine line;
    line.bHelp = parser.isSet(help);
    line.bVersion = parser.isSet(version);
    line.bDemo = parser.isSet(demo);
    line.bFullScreen = parser.isSet(fullScreen);
    if (parser.isSet(screen)) {
        static const QRegularExpression kSize(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"));
        const QRegularExpressionMatch match = kSize.match(parser.value(screen));
        const int nWidth = match.hasMatch() ? match.captured(1).toInt() : 0;
        const int nHeight = match.hasMatch() ? match.captured(2).toInt() : 0;
        if (nWidth < kMinSide || nHeight < kMinSide || nWidth > kMaxSide || nHeight > kMaxSide) {
            strError =
                QStringLiteral("--screen takes WIDTHxHEIGHT, each from %1 to %2, such as 480x696")
                    .arg(kMinSide)
                    .arg(kMaxSide);
            return std::nullopt;
        }
        line.clientSize = QSize(nWidth, nHeight);
        if (!ClientSizeShowsEverything(line.clientSize)) {
            strError = QStringLiteral(
                           "--screen %1 would cut off part of the screens; sizes that show "
                           "everything: 480x696 or larger, 480x536 to 480x549, or 240 wide "
                           "and 268 or more high")
                           .arg(parser.value(screen));
            return std::nullopt;
        }
    }
    line.strShow = parser.value(show);
    if (parser.isSet(show) && !kShownScreens.contains(line.strShow)) {
        strError = QStringLiteral("--show takes ") + kShownScreens.join(u", ");
        return std::nullopt;
    }
    if (line.bDemo && parser.isSet(board)) {
        strError = QStringLiteral("--demo runs its own board: leave out --board");
        return std::nullopt;
    }
    const QString strBoard = parser.isSet(board) ? parser.value(board)
                             : line.bDemo        ? QString()
                                                 : qEnvironmentVariable(kBoardVariable);
    if (!strBoard.isEmpty()) {
        std::string strWhy;
        line.board = ParseBoardAddress(strBoard.toStdString(), strWhy);
        if (!line.board) {
            strError = QString::fromStdString(strWhy);
            return std::nullopt;
        }
    }
    const QString strTiming =
        parser.isSet(timing) ? parser.value(timing) : qEnvironmentVariable(kLinkTimingVariable);
    if (!strTiming.isEmpty()) {
        const std::optional<ELinkTiming> chosen = ParseLinkTiming(strTiming.toStdString());
        if (!chosen) {
            strError = QStringLiteral("--link-timing takes fast or fixed");
            return std::nullopt;
        }
        line.timing = *chosen;
    }
    line.strScreenshot = parser.value(screenshot);
    if (parser.isSet(after)) {
        bool bOk = false;
        line.nScreenshotAfterMs = parser.value(after).toInt(&bOk);
        if (!bOk || line.nScreenshotAfterMs < 0 ||
            line.nScreenshotAfterMs > kMaxScreenshotDelayMs) {
            strError = QStringLiteral("--after takes milliseconds from 0 to %1")
                           .arg(kMaxScreenshotDelayMs);
            return std::nullopt;
        }
    }
    return line;
}
