// Commands for the maker's desktop-manager program, which opens pages on the
// user's desktop after the saver has closed, and the html page launcher's
// command line it is handed.
#pragma once

#include "xlib/XString.h"

// Command numbers the desktop manager knows.
constexpr unsigned kShowInfoNookCommand = 0;
constexpr unsigned kShowHelpCommand = 1;

// SharedDir + "ScreenSaverTaskList_" + number + ".xml".
XString TaskListFileName(unsigned number);

// "<InstallDir>TallowFenHtmlPage.exe" cmd="kind" url="url" path="path", each
// part in double quotes.
XString HtmlPageCommandLine(const char* kind, const char* url, const char* path);

// Writes "<Run>" + commandLine + "</Run>" to the numbered task-list file and
// tells the desktop manager to run it. True when the file was written and the
// desktop manager's window was found and sent the command; the file is
// written even when the window is missing.
bool SendDesktopManagerCommand(unsigned number, const XString& commandLine);
// Replaces SendDesktopManagerCommand's work (tests); null restores it.
using DesktopManagerSender = bool (*)(unsigned number, const XString& commandLine);
void SetDesktopManagerSenderForTests(DesktopManagerSender sender);

// Starts a program from its command line, waiting for it to end when asked.
// True when the program was started.
bool RunProgram(const char* commandLine, bool wait);
