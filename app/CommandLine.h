#pragma once

#include <QSize>
#include <QString>
#include <QStringList>
#include <optional>

#include "link/BoardAddress.h"
#include "link/Transact.h"

// What the tunevo command line asks for.
struct CommandLine {
    bool bDemo = false;
    bool bFullScreen = false;
    QSize clientSize;       // invalid: chosen to fit the screen
    QString strScreenshot;  // empty: no screenshot
    int nScreenshotAfterMs = 3000;
    // A screen to open once the main window is up: empty, "power", "poster",
    // or a monitor list: "voltage", "temperature", "fan", "frequency".
    QString strShow;
    // The board to use (--board, else TUNEVO_BOARD); none: search the ports.
    std::optional<BoardAddress> board;
    // --link-timing, else TUNEVO_LINK_TIMING; fast unless asked otherwise.
    ELinkTiming timing = ELinkTiming::Fast;
    bool bHelp = false;
    bool bVersion = false;
};

// Parses the arguments after the program name, needing no application
// object, so help and errors come without a display; nothing with strError
// set when they are not understood.
std::optional<CommandLine> ParseCommandLine(const QStringList& arguments, QString& strError);

QString CommandLineUsage();
