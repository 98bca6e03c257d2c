#include "platform/win32/WinInclude.h"
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
