#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/Clock.h"

// The real clock call on its refusal path only: a user without the right to
// set the time is refused. The attempt runs in a child that has given up root
// first; a child that cannot give it up never makes the call.
TEST(ClockRefusal, UserWithoutTheRightIsRefused) {
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0 || geteuid() == 0) _exit(2);
        _exit(PlatformSetClock(PlatformUtcTime(), true) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(pid, waitpid(pid, &status, 0));
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 2) GTEST_SKIP() << "could not run as an unprivileged user";
    EXPECT_EQ(0, WEXITSTATUS(status));
}
