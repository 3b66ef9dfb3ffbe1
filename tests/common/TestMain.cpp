// One main for every test program: an offscreen QApplication that outlives all tests, a
// shrunken timing policy so no test waits for nominal seconds, and the method leaves registered
// as at the console's start-up. A program started as a child of its own test runs that role.
#include "ChildRole.h"
#include "methods/MethodLeaves.h"
#include "platform/Timing.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
                                   ? QByteArray("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    Timing::SetScale(0.01);
    // As the console does at start-up: table leaves make their method leaves.
    MethodLeaves::Register();
    if (int code = 0; RunChildRole(&code)) {
        std::fflush(stdout);
        ::_exit(code);
    }
    return RUN_ALL_TESTS();
}
