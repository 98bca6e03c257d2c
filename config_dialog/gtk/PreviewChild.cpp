#include "config_dialog/gtk/PreviewChild.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "xlib/RunLog.h"

namespace {
// A preview answers SIGTERM within a frame or two; one that does not is killed.
constexpr auto kPoliteWait = std::chrono::milliseconds(1500);

bool Reap(pid_t pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid || (r < 0 && errno != EINTR)) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}
}  // namespace

unsigned long NativeWindowOf(GtkWidget* widget) {
    GdkWindow* window = gtk_widget_get_window(widget);
    if (!window || !gdk_window_ensure_native(window)) return 0;
    return gdk_x11_window_get_xid(window);
}

bool CPreviewChild::Restart(unsigned long window) {
    std::lock_guard<std::mutex> lock(m_Mutex);
    StopLocked();
    const std::string id = std::to_string(window);
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        WriteRunLog("Screen saver", "Failed to lauch screen saver preview.", false);
        return false;
    }
    if (pid == 0) {
        // Only async-signal-safe calls from here to exec.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        // The program may have died between fork and prctl.
        if (getppid() != parent) _exit(0);
        execl(m_Program.c_str(), m_Program.c_str(), "-window-id", id.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    m_Pid = pid;
    ++m_Starts;
    return true;
}

void CPreviewChild::Stop() {
    std::lock_guard<std::mutex> lock(m_Mutex);
    StopLocked();
}

void CPreviewChild::StopLocked() {
    if (m_Pid <= 0) return;
    kill(m_Pid, SIGTERM);
    if (!Reap(m_Pid, kPoliteWait)) {
        WriteRunLog("Screen saver", "The preview did not end when asked; it was killed.", false);
        kill(m_Pid, SIGKILL);
        Reap(m_Pid, std::chrono::milliseconds(5000));
    }
    m_Pid = -1;
}
