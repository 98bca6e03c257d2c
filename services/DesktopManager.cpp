#include "services/DesktopManager.h"

#include "platform/Desktop.h"
#include "platform/Process.h"
#include "xlib/XPaths.h"

XString TaskListFileName(unsigned number) {
    XString name(SharedDir().c_str());
    name += "ScreenSaverTaskList_";
    name.Append(number);
    name += ".xml";
    return name;
}

XString HtmlPageCommandLine(const char* kind, const char* url, const char* path) {
    XString line("\"");
    line += InstallDir().c_str();
    line += "TallowFenHtmlPage.exe\" cmd=\"";
    line += kind;
    line += "\" url=\"";
    line += url;
    line += "\" path=\"";
    line += path;
    line += "\"";
    return line;
}

namespace {
DesktopManagerSender g_Sender = nullptr;
}  // namespace

void SetDesktopManagerSenderForTests(DesktopManagerSender sender) { g_Sender = sender; }

bool SendDesktopManagerCommand(unsigned number, const XString& commandLine) {
    if (g_Sender) return g_Sender(number, commandLine);
    XString task("<Run>");
    task += commandLine;
    task += "</Run>";
    if (!task.WriteFile(TaskListFileName(number).c_str(), true)) return false;
    return PlatformPostDesktopManagerCommand(number);
}

bool RunProgram(const char* commandLine, bool wait) {
    return commandLine && PlatformRunProgram(commandLine, wait);
}
