// Every test process gets its own installation directory, so run-log entries
// and configuration files never land in the user's real one, and its vendor
// host is a closed port on loopback, so no test reaches beyond this machine.
#include <gtest/gtest.h>

#include "tests/TestSupport.h"
#include "tests/VendorServer.h"
#include "xlib/XPaths.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    TempDir install;
    SetInstallPath(install.Path());
    VendorServerSuite::UseVendorHost(kNoVendorHost);
    return RUN_ALL_TESTS();
}
