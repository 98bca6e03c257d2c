// Every test process gets its own installation directory, so run-log entries
// and configuration files never land in the user's real one.
#include <gtest/gtest.h>

#include "tests/TestSupport.h"
#include "xlib/XPaths.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    TempDir install;
    SetInstallPath(install.Path());
    return RUN_ALL_TESTS();
}
