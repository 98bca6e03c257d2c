// The Linux settings view's own pieces that are not GTK calls: the label
// notation and the preview child's life.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "config_dialog/gtk/GtkKit.h"
#include "config_dialog/gtk/PreviewChild.h"
#include "tests/TestSupport.h"

TEST(GtkView, WindowsLabelsBecomeGtkMnemonics) {
    const struct {
        const char* windows;
        const char* gtk;
    } cases[] = {
        {"&Save", "_Save"},           {"Save && &exit", "Save & _exit"}, {"E&xit", "E_xit"},
        {"Plain", "Plain"},           {"snake_case", "snake__case"},     {"&&", "&"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(Mnemonic(c.windows), c.gtk) << c.windows;
    EXPECT_EQ(PlainLines("one\r\ntwo\r\n"), "one\ntwo\n");
}

namespace {
// A stand-in saver: records its arguments and process id, then waits for a
// signal (or, with IGNORE_TERM, shrugs off SIGTERM).
std::string FakeSaver(const TempDir& dir, bool ignoreTerm) {
    const std::string path = dir.File(ignoreTerm ? "stubborn.sh" : "saver.sh");
    WriteWholeFile(path, std::string("#!/bin/sh\n") + (ignoreTerm ? "trap '' TERM\n" : "") + "echo \"$$ $*\" >> " +
                             dir.File("starts") + "\nwhile :; do sleep 0.05; done\n");
    chmod(path.c_str(), 0755);
    return path;
}

// Running, not only a zombie waiting for whoever reaps orphans here.
bool Alive(pid_t pid) {
    if (pid <= 0 || kill(pid, 0) != 0) return false;
    const std::string stat = FileExists("/proc/" + std::to_string(pid) + "/stat")
                                 ? ReadWholeFile("/proc/" + std::to_string(pid) + "/stat")
                                 : "";
    const size_t paren = stat.rfind(')');
    return paren == std::string::npos || paren + 2 >= stat.size() || stat[paren + 2] != 'Z';
}

// Waits up to two seconds for the stand-in to write its line.
std::string StartsFile(const TempDir& dir, size_t lines) {
    std::string text;
    for (int i = 0; i < 200; ++i) {
        text = FileExists(dir.File("starts")) ? ReadWholeFile(dir.File("starts")) : "";
        size_t n = 0;
        for (char c : text) n += c == '\n';
        if (n >= lines) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return text;
}
}  // namespace

TEST(GtkView, APreviewRestartEndsTheOldSaverBeforeTheNewOneStarts) {
    TempDir dir;
    CPreviewChild preview(FakeSaver(dir, false));
    ASSERT_TRUE(preview.Restart(0x2a));
    const pid_t first = preview.Pid();
    EXPECT_NE(StartsFile(dir, 1).find("-window-id 42"), std::string::npos);
    ASSERT_TRUE(preview.Restart(7));
    const pid_t second = preview.Pid();
    EXPECT_NE(first, second);
    EXPECT_FALSE(Alive(first)) << "the old preview was left running (or unreaped)";
    EXPECT_TRUE(Alive(second));
    EXPECT_EQ(preview.Starts(), 2u);
    preview.Stop();
    EXPECT_FALSE(Alive(second));
    preview.Stop();  // twice is harmless
}

TEST(GtkView, APreviewThatIgnoresTheStopIsKilled) {
    TempDir dir;
    CPreviewChild preview(FakeSaver(dir, true));
    ASSERT_TRUE(preview.Restart(1));
    StartsFile(dir, 1);  // the trap is set once the line is written
    const pid_t pid = preview.Pid();
    const auto began = std::chrono::steady_clock::now();
    preview.Stop();
    const auto took = std::chrono::steady_clock::now() - began;
    EXPECT_FALSE(Alive(pid));
    EXPECT_LT(took, std::chrono::seconds(5));
}

TEST(GtkView, APreviewWhoseProgramIsMissingEndsOnItsOwn) {
    TempDir dir;
    CPreviewChild preview(dir.File("no-such-saver"));
    ASSERT_TRUE(preview.Restart(1));
    const pid_t pid = preview.Pid();
    preview.Stop();
    EXPECT_FALSE(Alive(pid));
}

TEST(GtkView, APreviewEndsWithTheProgramThatStartedIt) {
    TempDir dir;
    const std::string saver = FakeSaver(dir, false);
    // A stand-in settings program that starts a preview and dies without
    // stopping it, as a killed one would.
    const pid_t program = fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        static CPreviewChild* preview = new CPreviewChild(saver);
        preview->Restart(1);
        StartsFile(dir, 1);
        _exit(0);
    }
    int status = 0;
    waitpid(program, &status, 0);
    const std::string line = StartsFile(dir, 1);
    const pid_t orphan = static_cast<pid_t>(std::stol(line));
    for (int i = 0; i < 200 && Alive(orphan); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(Alive(orphan)) << "the preview outlived its settings program";
    if (Alive(orphan)) kill(orphan, SIGKILL);
}
