// Test-only: the one QCoreApplication of a test program that needs Qt's event
// loop or application paths (remapper runs), created on first use.
#pragma once

#include <QCoreApplication>

inline void ensureCoreApplication() {
    static int argc = 1;
    static char name[] = "orvik_test";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
}
