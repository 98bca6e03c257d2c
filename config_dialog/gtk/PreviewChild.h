// The main form's live preview: the saver itself, run as "meadowglow
// -window-id <window>" into the form's preview area, as XScreenSaver's panel
// runs it. That mode draws straight into the area's window, follows its size
// and, unlike "/p", does not end on a key or a click meant for the form. A
// child process keeps GL and the scene's threads out of the settings program,
// and its death signal ends it with the program, however the program ends.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <mutex>
#include <string>

typedef struct _GtkWidget GtkWidget;

// The X window of a realised widget, made native for another process to draw into.
unsigned long NativeWindowOf(GtkWidget* widget);

class CPreviewChild {
public:
    explicit CPreviewChild(std::string program) : m_Program(std::move(program)) {}
    ~CPreviewChild() { Stop(); }
    CPreviewChild(const CPreviewChild&) = delete;
    CPreviewChild& operator=(const CPreviewChild&) = delete;

    // Ends a running preview, then starts one into `window`. False (with a
    // run-log entry) when none could start. Safe from any thread.
    bool Restart(unsigned long window);
    // Ends the preview and waits for it: a polite stop, then a kill.
    void Stop();
    pid_t Pid() const { return m_Pid; }
    // Read by the form's drawing while the watcher's thread restarts.
    unsigned Starts() const { return m_Starts.load(); }

private:
    void StopLocked();

    std::string m_Program;
    std::mutex m_Mutex;
    pid_t m_Pid = -1;
    std::atomic<unsigned> m_Starts{0};
};
