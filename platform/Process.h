// Ending the process when an orderly shutdown is no longer safe.
#pragma once

// Ends the process at once with `code`: no static destructors, no exit
// handlers, no library teardown that could run under a thread still drawing.
[[noreturn]] void PlatformQuickExit(int code);
