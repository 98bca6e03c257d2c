// Starting other programs, and ending this one.
#pragma once

#include <string>
#include <vector>

// Starts a program from a command line in the Windows form (the program and
// its arguments separated by blanks, double quotes grouping blanks into one
// argument), shown normally, with the caller's environment and folder. With
// `wait` it returns once the program has ended. False when it could not be started.
bool PlatformRunProgram(const std::string& commandLine, bool wait);

// The arguments such a command line gives the program, the program first:
// blanks and tabs outside double quotes separate them, and the quotes
// themselves are dropped ("a b"c is the one argument a bc).
std::vector<std::string> SplitProgramCommandLine(const std::string& commandLine);

// Ends the process at once with `code`: no static destructors, no exit
// handlers, no library teardown that could run under a thread still drawing.
[[noreturn]] void PlatformQuickExit(int code);
