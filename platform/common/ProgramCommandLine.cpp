#include "platform/Process.h"

std::vector<std::string> SplitProgramCommandLine(const std::string& commandLine) {
    std::vector<std::string> args;
    std::string current;
    bool inQuotes = false, inArg = false;
    for (char c : commandLine) {
        if (c == '"') {
            inQuotes = !inQuotes;
            inArg = true;  // "" is an argument of its own, though empty
        } else if ((c == ' ' || c == '\t') && !inQuotes) {
            if (inArg) args.push_back(current);
            current.clear();
            inArg = false;
        } else {
            current += c;
            inArg = true;
        }
    }
    if (inArg) args.push_back(current);
    return args;
}
