// Every test process gets its own installation directory, so run-log entries
// and configuration files never land in the user's real one, and its vendor
// host is a closed port on loopback, so no test reaches beyond this machine.
#include <gtest/gtest.h>

#include "tests/TestSupport.h"
#include "tests/VendorServer.h"
#include "xlib/RunLog.h"
#include "xlib/XPaths.h"

namespace {
// Tests share the process's run log; one test's entries must not hold back
// the same entries written by the next.
struct FreshRunLogRepeats : ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { ForgetRunLogRepeats(); }
};
}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    TempDir install;
    SetInstallPath(install.Path());
    VendorServerSuite::UseVendorHost(kNoVendorHost);
    ::testing::UnitTest::GetInstance()->listeners().Append(new FreshRunLogRepeats);
    return RUN_ALL_TESTS();
}
