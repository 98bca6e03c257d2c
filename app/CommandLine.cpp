#include "app/CommandLine.h"

#include <cctype>

SaverSwitch ParseSaverSwitch(const std::string& commandLine) {
    SaverSwitch result;
    size_t i = 0;
    while (i < commandLine.size() && (commandLine[i] == ' ' || commandLine[i] == '-' || commandLine[i] == '/')) ++i;
    if (i == commandLine.size()) return result;
    switch (std::toupper(static_cast<unsigned char>(commandLine[i]))) {
        case 'A':
            result.action = SaverAction::ChangePassword;
            break;
        case 'C':
            result.action = SaverAction::Configure;
            break;
        case 'S':
            result.action = SaverAction::FullScreen;
            break;
        case 'P': {
            result.action = SaverAction::Preview;
            size_t j = i + 1;
            while (j < commandLine.size() && commandLine[j] == ' ') ++j;
            result.rest = commandLine.substr(j);
            break;
        }
        default:
            result.action = SaverAction::Unknown;
            break;
    }
    return result;
}

uint64_t ParsePreviewHandle(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    uint64_t value = 0;
    bool any = false;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        unsigned digit = static_cast<unsigned>(text[i] - '0');
        if (value > (UINT64_MAX - digit) / 10) return 0;  // no window has such a handle
        value = value * 10 + digit;
        any = true;
    }
    if (!any) return 0;
    if (negative) {
        if (value > static_cast<uint64_t>(INT64_MAX)) return 0;
        value = static_cast<uint64_t>(-static_cast<int64_t>(value));
    }
    return value;
}
