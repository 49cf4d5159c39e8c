// Entry of the device tests: a private home, settings folder and pinned-ports folder per
// process (CTest runs the tests of one binary in parallel processes), a Qt application for
// signals and event loops, and the application's preferences initialised.

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "cqt_config_mgr.h"

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Test discovery at build time only lists names: nothing to set up, nothing printed.
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    QTemporaryDir home;
    if (!home.isValid())
        return 1;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/config")).toLocal8Bit());
    qputenv("TREVIK_PORT_DIR", (home.path() + QStringLiteral("/ports")).toLocal8Bit());
    QDir().mkpath(home.path() + QStringLiteral("/ports"));
    QCoreApplication app(argc, argv);
    g_configMgr.initialize();
    return RUN_ALL_TESTS();
}
