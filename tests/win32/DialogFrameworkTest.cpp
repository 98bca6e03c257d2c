// The dialog framework's own decisions under Wine: which windows get their
// messages, a failed initialisation, and the scroll-bar stepping on a real bar.
#include "config_dialog/win32/CDialogBase.h"
#include "config_dialog/win32/Controls.h"

#include <gtest/gtest.h>

namespace {
struct Probe : CDialogBase {
    explicit Probe(bool initOk) : CDialogBase(4000), m_InitOk(initOk) {}
    bool OnInitDialog() override {
        ++inits;
        return m_InitOk;
    }
    void OnCommand(WPARAM, LPARAM) override { ++commands; }
    int inits = 0, commands = 0;
    bool m_InitOk;
};
}  // namespace

TEST(DialogFramework, OnlyRegisteredWindowsReachTheirObject) {
    Probe probe(true);
    HWND window = probe.CreateModeless(nullptr);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(probe.IsInitialised());
    EXPECT_EQ(CDialogBase::Find(window), &probe);
    SendMessageA(window, WM_COMMAND, 1, 0);
    EXPECT_EQ(probe.commands, 1);
    // A window the registry does not know (here: before WM_INITDIALOG, or
    // any other window) is answered 0 and reaches nobody.
    HWND stranger = CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(CDialogBase::DialogProc(stranger, WM_COMMAND, 1, 0), FALSE);
    EXPECT_EQ(probe.commands, 1);
    DestroyWindow(stranger);
    DestroyWindow(window);
    EXPECT_FALSE(probe.IsInitialised());
    EXPECT_EQ(CDialogBase::Find(window), nullptr);
    EXPECT_EQ(CDialogBase::LiveCount(), 0u);
}

TEST(DialogFramework, FailedInitialisationEndsTheDialogAtOnce) {
    Probe probe(false);
    EXPECT_EQ(probe.RunModal(nullptr), 0);  // returns instead of waiting for the user
    EXPECT_EQ(probe.inits, 1);
    EXPECT_FALSE(probe.IsInitialised());
    EXPECT_EQ(CDialogBase::LiveCount(), 0u);
}

TEST(DialogFramework, ScrollBarStepsOnlyByLinesAndThumb) {
    Probe probe(true);
    HWND window = probe.CreateModeless(nullptr);
    ASSERT_NE(window, nullptr);
    CScrollBar bar, other;
    bar.Attach(window, 4001);
    bar.SetRange(1, 20);
    bar.SetPos(20);
    other.Attach(window, 4002);
    const LPARAM handle = reinterpret_cast<LPARAM>(bar.Handle());
    struct Step {
        WORD code, thumb;
        bool changed;
        int pos;
    };
    const Step steps[] = {{SB_LINEDOWN, 0, false, 20}, {SB_PAGEDOWN, 0, false, 20}, {SB_PAGEUP, 0, false, 20},
                          {SB_LINEUP, 0, true, 19},    {SB_THUMBTRACK, 5, true, 5},  {SB_TOP, 0, false, 5},
                          {SB_BOTTOM, 0, false, 5},    {SB_ENDSCROLL, 0, false, 5},  {SB_THUMBPOSITION, 1, true, 1},
                          {SB_LINEUP, 0, false, 1}};
    for (const Step& s : steps) {
        EXPECT_EQ(bar.Apply(MAKEWPARAM(s.code, s.thumb), handle), s.changed) << s.code;
        EXPECT_EQ(bar.Pos(), s.pos) << s.code;
    }
    // Another bar's message leaves this one alone.
    EXPECT_FALSE(bar.Apply(MAKEWPARAM(SB_LINEDOWN, 0), reinterpret_cast<LPARAM>(other.Handle())));
    EXPECT_EQ(bar.Pos(), 1);
    DestroyWindow(window);
}
