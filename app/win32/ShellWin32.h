// The Windows shell functions around the screen-saver window.
#pragma once

#include "platform/win32/WinInclude.h"

#include "app/BenchRun.h"
#include "app/CVideoMode.h"
#include "app/ReadRegistry.h"

// Set while the password dialog is up: the window then leaves messages to the system.
extern bool g_PasswordDialogOpen;

// True when the saver may close (asks for the password on the Windows 95 family only).
bool CheckPassword(HWND window);
// Lets the user change the screen-saver password (Windows 95 family only).
void ChangePassword(HWND window);
// Shows the settings dialog owned by `parent`; returns 0.
int RunConfigDialog(HWND parent);
// Fills a list box with the display-mode list (app/CVideoMode.h) and selects `position`.
void FillVideoModeList(HWND dialog, int listBoxId, int position);
// --bench: draws the frames the options ask for in a popup window of their
// size, prints the figures; returns the exit status.
int RunBenchWindow(HINSTANCE instance, const BenchOptions& o);
