#include "app/CommandLine.h"

#include <QRegularExpression>

namespace {
constexpr int kMinSide = 100;
constexpr int kMaxSide = 8192;
constexpr int kMaxScreenshotDelayMs = 600000;
const QStringList kShownScreens = {QStringLiteral("power"),   QStringLiteral("poster"),
                                   QStringLiteral("voltage"), QStringLiteral("temperature"),
                                   QStringLiteral("fan"),     QStringLiteral("frequency")};
}  // namespace

QString CommandLineUsage() {
    return QStringLiteral(
        "Usage: tunevo [--demo] [--screen WxH | --fullscreen] [--show SCREEN]\n"
        "              [--screenshot FILE [--after MS]]\n"
        "\n"
        "Remote tuning of a PC motherboard over a Bluetooth serial link.\n"
        "\n"
        "  --demo             run against the built-in simulated board\n"
        "  --screen WxH       window client size: 480x696 (default), 480x536 or 240x268\n"
        "  --fullscreen       use the whole screen\n"
        "  --show SCREEN      once the main window is up, open the power or poster\n"
        "                     screen, or the monitor page on its voltage, temperature,\n"
        "                     fan or frequency list\n"
        "  --screenshot FILE  save the window as a PNG after --after ms (3000) and exit\n"
        "  --help             this text\n"
        "\n"
        "The board is searched on /dev/rfcomm0 to /dev/rfcomm8; TUNEVO_PORT_PATTERN\n"
        "(for example /tmp/x/rfcomm%d) searches elsewhere.\n");
}

std::optional<CommandLine> ParseCommandLine(const QStringList& arguments, QString& strError) {
    CommandLine line;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        const bool bHasValue = i + 1 < arguments.size();
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            line.bHelp = true;
        } else if (arg == QLatin1String("--demo")) {
            line.bDemo = true;
        } else if (arg == QLatin1String("--fullscreen")) {
            line.bFullScreen = true;
        } else if (arg == QLatin1String("--screen") && bHasValue) {
            static const QRegularExpression kSize(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"));
            const QRegularExpressionMatch match = kSize.match(arguments[++i]);
            const int nWidth = match.hasMatch() ? match.captured(1).toInt() : 0;
            const int nHeight = match.hasMatch() ? match.captured(2).toInt() : 0;
            if (nWidth < kMinSide || nHeight < kMinSide || nWidth > kMaxSide ||
                nHeight > kMaxSide) {
                strError = QStringLiteral(
                               "--screen takes WIDTHxHEIGHT, each from %1 to %2, "
                               "such as 480x696")
                               .arg(kMinSide)
                               .arg(kMaxSide);
                return std::nullopt;
            }
            line.clientSize = QSize(nWidth, nHeight);
        } else if (arg == QLatin1String("--show") && bHasValue) {
            line.strShow = arguments[++i];
            if (!kShownScreens.contains(line.strShow)) {
                strError = QStringLiteral("--show takes ") + kShownScreens.join(u", ");
                return std::nullopt;
            }
        } else if (arg == QLatin1String("--screenshot") && bHasValue) {
            line.strScreenshot = arguments[++i];
        } else if (arg == QLatin1String("--after") && bHasValue) {
            bool bOk = false;
            line.nScreenshotAfterMs = arguments[++i].toInt(&bOk);
            if (!bOk || line.nScreenshotAfterMs < 0 ||
                line.nScreenshotAfterMs > kMaxScreenshotDelayMs) {
                strError = QStringLiteral("--after takes milliseconds from 0 to %1")
                               .arg(kMaxScreenshotDelayMs);
                return std::nullopt;
            }
        } else {
            strError = QStringLiteral("unexpected argument '%1'").arg(arg);
            return std::nullopt;
        }
    }
    return line;
}
