// The Windows shell functions around the screen-saver window.
#pragma once

#include "platform/win32/WinInclude.h"

// Set while the password dialog is up: the window then leaves messages to the system.
extern bool g_PasswordDialogOpen;

// True when the saver may close (asks for the password on the Windows 95 family only).
bool CheckPassword(HWND window);
// Lets the user change the screen-saver password (Windows 95 family only).
void ChangePassword(HWND window);
// Shows the settings dialog owned by `parent`; returns 0.
int RunConfigDialog(HWND parent);
// Reads the installation path at start-up.
void ReadRegistry();
// Switches the display to the configured mode (0 leaves it alone).
void ApplyVideoMode(int mode);
