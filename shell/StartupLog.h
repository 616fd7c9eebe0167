#pragma once

#include <QLoggingCategory>

// Where the start-up's time goes, for whoever asks with
// QT_LOGGING_RULES="tunevo.startup=true": each step is logged with the time
// since the program started and the system's steady clock (CLOCK_MONOTONIC),
// which a program that started this one can set beside its own.
Q_DECLARE_LOGGING_CATEGORY(lcStartup)

// Called first thing in main: the time the steps are counted from.
void NoteProgramStart();
// Logs one step: "<what>: N ms after start, steady clock M ms".
void LogStartupStep(const char* pszWhat);
