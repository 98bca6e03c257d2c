// What the full-screen saver does after its window has closed. Pages are not
// opened here: their command lines go to the maker's desktop-manager program.
#include "app/CScreenSaver.h"
#include "platform/Download.h"
#include "services/DesktopManager.h"
#include "xlib/RunLog.h"
#include "xlib/XException.h"
#include "xlib/XPaths.h"

namespace {
// All the exit tasks' downloads together: a few seconds, so a close with a
// server that drips or says nothing still ends the process promptly.
constexpr unsigned kExitTasksWithinMs = 4000;

// Written once the help page has been offered.
XString RunOnceMarker() {
    XString marker(InstallDir().c_str());
    marker += "RunOnce.xml";
    return marker;
}
}  // namespace

bool CScreenSaver::HasExitTasks() const {
    bool any = false;
    XGuard("CScreenSaver::HasExitTasks", [&] {
        any = !m_SmallWindow && (!RunOnceMarker().FileExists() || m_Internet.AnythingChosen() || m_DateTime.SetTime);
    });
    return any;
}

void CScreenSaver::DoExitTasks() {
    XGuard("CScreenSaver::DoExitTasks", [&] {
        if (m_SmallWindow) return;
        // The window is gone: whatever the servers do, the process must end
        // soon, so every download here ends within one short time together.
        DownloadLimitScope soon(0, kExitTasksWithinMs);
        DoShowHelpFile();
        m_Internet.ProcessExitTasks(m_Weather.GetZipCode(), XString(m_ConfigName.c_str()));
        m_DateTime.ProcessAtomicTime();
    });
}

// No guard of its own: an exception here is DoExitTasks's, logged under its
// name, and the later exit tasks are skipped.
void CScreenSaver::DoShowHelpFile() {
    const XString marker = RunOnceMarker();
    if (marker.FileExists()) return;
    // Written before the command is sent, so a failed send is not retried.
    XString content(true, false);
    content = "<RunOnce>First run complete</RunOnce>";
    if (!content.WriteFile(marker.c_str(), true)) {
        WriteRunLog("Error", "In CScreenSaver::DoShowHelpFile, failed to write RunOnce.xml.");
        return;
    }
    XString help(InstallDir().c_str());
    help += "Help.htm";
    if (!SendDesktopManagerCommand(kShowHelpCommand, HtmlPageCommandLine("HelpPage", help.c_str(), "")))
        WriteRunLog("Error", "While in CScreenSaver::DoShowHelpFile, SendDesktopManagerCommand failed.");
}
