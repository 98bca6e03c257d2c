#include "app/CommandLine.h"

#include <gtest/gtest.h>

TEST(SaverSwitch, FirstSignificantCharacterDecides) {
    struct Row {
        const char* line;
        SaverAction action;
        const char* rest;
    } rows[] = {
        {"", SaverAction::NoSwitch, ""},
        {"   ", SaverAction::NoSwitch, ""},
        {"--//", SaverAction::NoSwitch, ""},
        {"/S", SaverAction::FullScreen, ""},
        {"-s", SaverAction::FullScreen, ""},
        {" s", SaverAction::FullScreen, ""},
        {"s", SaverAction::FullScreen, ""},
        {"/saver", SaverAction::FullScreen, ""},
        {"/c", SaverAction::Configure, ""},
        {"/c:1234", SaverAction::Configure, ""},
        {"/C 1234", SaverAction::Configure, ""},
        {"/a 5678", SaverAction::ChangePassword, ""},
        {"/x", SaverAction::Unknown, ""},
        {"1", SaverAction::Unknown, ""},
        {"/p 1234", SaverAction::Preview, "1234"},
        {"/P    99 extra", SaverAction::Preview, "99 extra"},
        {"/p", SaverAction::Preview, ""},
        {"-p:42", SaverAction::Preview, ":42"},
    };
    for (const Row& r : rows) {
        SaverSwitch sw = ParseSaverSwitch(r.line);
        EXPECT_EQ(r.action, sw.action) << '"' << r.line << '"';
        EXPECT_EQ(r.rest, sw.rest) << '"' << r.line << '"';
    }
}

TEST(SaverSwitch, PreviewHandleParsing) {
    struct Row {
        const char* text;
        uint64_t handle;
    } rows[] = {
        {"", 0},
        {"0", 0},
        {"abc", 0},
        {"  123", 123},
        {"+77", 77},
        {"123abc", 123},
        {"2147483647", 2147483647ull},
        // Handles above the signed 32-bit range are still handles.
        {"2147483648", 2147483648ull},
        {"4294967295", 4294967295ull},
        {"18446744073709551615", 18446744073709551615ull},
        // More digits than any handle can have: no window, not a wrapped number.
        {"99999999999999999999999", 0},
        {"-1", static_cast<uint64_t>(-1)},
        {":42", 0},
    };
    for (const Row& r : rows) EXPECT_EQ(r.handle, ParsePreviewHandle(r.text)) << '"' << r.text << '"';
}
