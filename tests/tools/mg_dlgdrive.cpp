// Test tool for the end-to-end scripts: drives the settings dialog the way a
// user would, by messages to its controls, and reports control states.
//   mg_dlgdrive CAPTION-PREFIX COMMAND [ARGS]
// Commands: wait | click ID | post ID | enabled ID | checked ID | text ID |
//   select ID INDEX (drop-down, posts the change) | lbselect ID INDEX |
//   lbcount ID | lbchoose ID INDEX (list box, posts the change) | lbtext ID INDEX |
//   cbcount ID | rect (the window's screen rectangle as WxH+X+Y) | scroll ID CODE [THUMB] | settext ID TEXT | close |
//   burst BAR COUNT GAP_MS (line-down steps, then times "Refresh preview")
//   answer BUTTON (the window is a message box; presses BUTTON)
// The window is the first visible dialog whose caption begins with the prefix,
// waited for up to 30 s (a busy machine can be slow to show a dialog beside
// the running preview; a prefix ending in '$' is the whole caption). Where
// two dialogs share a caption (the Help page and the "Help" box over it), a
// suffix "@ID" takes the one holding control ID, "@!ID" the one without it:
// "Help$@1164", "Help$@!1164". Exit status 1 when it never appears.
#include "platform/win32/WinInclude.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
struct Search {
    const char* prefix;
    HWND found;
    bool hidden = false;  // also take a dialog that is not shown
};

BOOL CALLBACK Visit(HWND hwnd, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    char cls[64] = {}, title[256] = {};
    GetClassNameA(hwnd, cls, sizeof(cls));
    GetWindowTextA(hwnd, title, sizeof(title));
    // "@ID" / "@!ID" at the end: a control the dialog must (not) hold.
    size_t n = std::strlen(s->prefix);
    bool control = true;
    int controlId = 0;
    if (const char* at = std::strrchr(s->prefix, '@')) {
        const bool without = at[1] == '!';
        controlId = std::atoi(at + (without ? 2 : 1));
        control = !without;
        n = static_cast<size_t>(at - s->prefix);
    }
    // A prefix ending in '$' must match the whole caption.
    const bool exact = n > 0 && s->prefix[n - 1] == '$';
    if (exact) --n;
    if (std::strcmp(cls, "#32770") == 0 && (s->hidden || IsWindowVisible(hwnd)) && std::strncmp(title, s->prefix, n) == 0 &&
        (!exact || title[n] == '\0') && (controlId == 0 || (GetDlgItem(hwnd, controlId) != nullptr) == control)) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindDialog(const char* prefix, int waitMs, bool hidden) {
    for (int waited = 0;; waited += 20) {
        Search s{prefix, nullptr, hidden};
        EnumWindows(Visit, reinterpret_cast<LPARAM>(&s));
        if (s.found || waited >= waitMs) return s.found;
        Sleep(20);
    }
}

DWORD Now() { return GetTickCount(); }
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: mg_dlgdrive CAPTION-PREFIX COMMAND [ARGS]\n");
        return 2;
    }
    const std::string cmd = argv[2];
    // MG_DLGDRIVE_HIDDEN=1 also takes a dialog not yet shown: under Wine a
    // message box can stay unshown while the preview keeps its thread busy.
    const char* hidden = std::getenv("MG_DLGDRIVE_HIDDEN");
    // MG_DLGDRIVE_WAIT_MS: how long to wait for the window instead.
    const char* waitMs = std::getenv("MG_DLGDRIVE_WAIT_MS");
    HWND dlg = FindDialog(argv[1], waitMs ? std::atoi(waitMs) : 30000, hidden && std::strcmp(hidden, "1") == 0);
    if (!dlg) {
        // Tells a dialog that never showed itself from one never created, and
        // what is there instead from a closed or renamed window.
        Search s{argv[1], nullptr, true};
        EnumWindows(Visit, reinterpret_cast<LPARAM>(&s));
        std::printf(s.found ? "no window (one exists but is not shown); dialogs:" : "no window; dialogs:");
        EnumWindows(
            [](HWND hwnd, LPARAM) -> BOOL {
                char cls[64] = {}, title[256] = {};
                GetClassNameA(hwnd, cls, sizeof(cls));
                GetWindowTextA(hwnd, title, sizeof(title));
                // A dialog whose thread is stuck (in a long call, or in Wine's
                // Xlib deadlock) does not answer even a null message.
                DWORD_PTR ignored = 0;
                if (std::strcmp(cls, "#32770") == 0)
                    std::printf(" [%s%s%s]", title, IsWindowVisible(hwnd) ? "" : " (hidden)",
                                SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 3000, &ignored)
                                    ? ""
                                    : " (not answering)");
                return TRUE;
            },
            0);
        std::printf("\n");
        return 1;
    }
    const int id = argc > 3 ? std::atoi(argv[3]) : 0;
    HWND item = argc > 3 ? GetDlgItem(dlg, id) : nullptr;
    auto command = [&](int control, int code) { return MAKEWPARAM(control, code); };
    if (cmd == "wait") {
        std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(dlg)));
    } else if (cmd == "click") {
        SendMessageA(dlg, WM_COMMAND, command(id, BN_CLICKED), reinterpret_cast<LPARAM>(item));
    } else if (cmd == "post") {
        PostMessageA(dlg, WM_COMMAND, command(id, BN_CLICKED), reinterpret_cast<LPARAM>(item));
    } else if (cmd == "answer") {
        PostMessageA(dlg, WM_COMMAND, command(id, BN_CLICKED), 0);
    } else if (cmd == "enabled") {
        std::printf("%d\n", item && IsWindowEnabled(item) ? 1 : 0);
    } else if (cmd == "checked") {
        std::printf("%d\n", IsDlgButtonChecked(dlg, id) == BST_CHECKED ? 1 : 0);
    } else if (cmd == "text") {
        // GetWindowText would read another process's control without asking it.
        char text[1024] = {};
        SendMessageA(item, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
        std::printf("%s\n", text);
    } else if (cmd == "select" && argc > 4) {
        SendMessageA(item, CB_SETCURSEL, static_cast<WPARAM>(std::atoi(argv[4])), 0);
        PostMessageA(dlg, WM_COMMAND, command(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(item));
    } else if (cmd == "lbselect" && argc > 4) {
        SendMessageA(item, LB_SETCURSEL, static_cast<WPARAM>(std::atoi(argv[4])), 0);
    } else if (cmd == "lbchoose" && argc > 4) {
        SendMessageA(item, LB_SETCURSEL, static_cast<WPARAM>(std::atoi(argv[4])), 0);
        PostMessageA(dlg, WM_COMMAND, command(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(item));
    } else if (cmd == "lbtext" && argc > 4) {
        // Asked in UTF-16: the ANSI form does not cross the process boundary whole under Wine.
        wchar_t wide[1024] = {};
        char text[2048] = {};
        const WPARAM index = static_cast<WPARAM>(std::atoi(argv[4]));
        if (SendMessageW(item, LB_GETTEXTLEN, index, 0) < 1024)
            SendMessageW(item, LB_GETTEXT, index, reinterpret_cast<LPARAM>(wide));
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof(text), nullptr, nullptr);
        std::printf("%s\n", text);
    } else if (cmd == "rect") {
        RECT r{};
        GetWindowRect(dlg, &r);
        std::printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
    } else if (cmd == "cbcount") {
        std::printf("%d\n", static_cast<int>(SendMessageA(item, CB_GETCOUNT, 0, 0)));
    } else if (cmd == "lbcount") {
        std::printf("%d\n", static_cast<int>(SendMessageA(item, LB_GETCOUNT, 0, 0)));
    } else if (cmd == "scroll" && argc > 4) {
        const bool vertical = (GetWindowLongA(item, GWL_STYLE) & SBS_VERT) != 0;
        const int thumb = argc > 5 ? std::atoi(argv[5]) : 0;
        SendMessageA(dlg, vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(std::atoi(argv[4]), thumb),
                     reinterpret_cast<LPARAM>(item));
    } else if (cmd == "settext" && argc > 4) {
        SendMessageA(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[4]));
    } else if (cmd == "close") {
        PostMessageA(dlg, WM_CLOSE, 0, 0);
    } else if (cmd == "burst" && argc > 5) {
        const int count = std::atoi(argv[4]), gap = std::atoi(argv[5]);
        HWND refresh = GetDlgItem(dlg, 1180);
        const bool vertical = (GetWindowLongA(item, GWL_STYLE) & SBS_VERT) != 0;
        DWORD last = 0;
        for (int i = 0; i < count; ++i) {
            if (i) Sleep(static_cast<DWORD>(gap));
            SendMessageA(dlg, vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(SB_LINEDOWN, 0),
                         reinterpret_cast<LPARAM>(item));
            last = Now();
        }
        std::printf("enabled-after-burst %d\n", IsWindowEnabled(refresh) ? 1 : 0);
        // "Refresh preview" stays enabled until the watcher restarts the preview.
        int flips = 0;
        bool was = IsWindowEnabled(refresh) != FALSE;
        DWORD clearedAt = 0;
        while (Now() - last < 5000) {
            const bool is = IsWindowEnabled(refresh) != FALSE;
            if (is != was) {
                ++flips;
                if (!is && !clearedAt) clearedAt = Now();
                was = is;
            }
            Sleep(5);
        }
        std::printf("cleared-after-ms %ld\nflips %d\n", clearedAt ? static_cast<long>(clearedAt - last) : -1L, flips);
    } else {
        std::fprintf(stderr, "unknown command %s\n", cmd.c_str());
        return 2;
    }
    return 0;
}
