// Libraries loaded on first use: a table is whole or not at all, and made once.
#include "platform/linux/LateLibrary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {
struct MathCalls {
    decltype(&::cos) cos = nullptr;
    decltype(&::sqrt) sqrt = nullptr;
};
}  // namespace

TEST(LateLibrary, ATableIsBoundWholeOrNotAtAll) {
    const struct {
        const char* soname;
        const char* second;  // the name bound into `sqrt`
        bool whole;
    } cases[] = {
        {"libm.so.6", "sqrt", true},
        {"libm.so.6", "no_such_call_in_libm", false},
        {"libno-such-library.so.0", "sqrt", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.soname) + " " + c.second);
        LateLibrary lib(c.soname);
        MathCalls calls;
        lib.Bind(calls.cos, "cos");
        lib.Bind(calls.sqrt, c.second);
        EXPECT_EQ(c.whole, lib.AllBound());
        if (c.whole) {
            EXPECT_DOUBLE_EQ(3.0, calls.sqrt(9.0));
        }
        if (!lib.IsLoaded()) {
            EXPECT_EQ(nullptr, calls.cos);
        }
    }
}

TEST(LateLibrary, TheTableIsMadeOnceAndKept) {
    int binds = 0;
    auto table = [&] {
        return LateCalls<MathCalls>("libm.so.6", [&](LateLibrary& lib, MathCalls& calls) {
            ++binds;
            lib.Bind(calls.cos, "cos");
            lib.Bind(calls.sqrt, "sqrt");
        });
    };
    const MathCalls* first = table();
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, table());
    EXPECT_EQ(1, binds);
    EXPECT_DOUBLE_EQ(1.0, first->cos(0.0));
    const MathCalls* missing = LateCalls<MathCalls>("libno-such-library.so.0", [](LateLibrary& lib, MathCalls& calls) {
        lib.Bind(calls.cos, "cos");
    });
    EXPECT_EQ(nullptr, missing);
}
