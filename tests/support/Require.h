#pragma once

#include <QStandardPaths>
#include <QString>
#include <QTest>

// What a test needs of the machine. The project's setup (scripts/setup.sh) installs every program
// the tests use, and scripts/test.sh starts the virtual desktop, so a missing one is a fault of
// the machine to mend: the test fails, naming it, and never passes by skipping.

// The path of Program on PATH; fails the test when it is not installed.
#define QC_REQUIRE_PROGRAM(Program)                                                                \
    QVERIFY2(!QStandardPaths::findExecutable(Program).isEmpty(),                                   \
             qPrintable(QString(Program) + " is not installed (scripts/setup.sh installs it)"))

// An X display, as the tests labelled x11 have on the virtual desktop of scripts/test.sh.
#define QC_REQUIRE_DISPLAY()                                                                       \
    QVERIFY2(                                                                                      \
        !qEnvironmentVariableIsEmpty("DISPLAY"),                                                   \
        "no DISPLAY: run on the virtual desktop (scripts/desktop.sh, as scripts/test.sh does)")
