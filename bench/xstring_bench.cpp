// How XString compares with std::string at the two jobs the program gives it
// most: building a large text by many appends, and pulling tagged values out
// of a configuration text. Prints figures; passes or fails nothing.
#include "xlib/XString.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {
// 10,000 pieces of mixed sizes (1 to 209 bytes) adding up to about 1 MB.
const std::vector<std::string>& Pieces() {
    static const std::vector<std::string> pieces = [] {
        std::vector<std::string> v;
        uint32_t s = 12345;
        size_t total = 0;
        for (int i = 0; i < 10000; ++i) {
            s = s * 214013u + 2531011u;
            const size_t len = 1 + ((s >> 16) & 0x7FFF) % 209;
            v.emplace_back(len, static_cast<char>('a' + i % 26));
            total += len;
        }
        // Top up the last piece so the text is exactly 1 MiB.
        if (total < (1u << 20)) v.back().append((1u << 20) - total, 'z');
        return v;
    }();
    return pieces;
}

// A 64 KB configuration text with 1,000 tagged values, and the tags to look up.
struct Config {
    std::string text;
    std::vector<std::string> open, close;
};

const Config& TheConfig() {
    static const Config cfg = [] {
        Config c;
        c.text = "<Meadowglow>\r\n";
        for (int i = 0; i < 1000; ++i) {
            char open[32], close[32], value[64];
            std::snprintf(open, sizeof open, "<Picture_%d>", i);
            std::snprintf(close, sizeof close, "</Picture_%d>", i);
            std::snprintf(value, sizeof value, "C:\\Pictures\\Holiday\\img%04d.jpg", i);
            c.open.emplace_back(open);
            c.close.emplace_back(close);
            c.text += open;
            c.text += value;
            c.text += close;
            c.text += "\r\n";
        }
        c.text += "</Meadowglow>\r\n";
        if (c.text.size() < 65536) c.text.insert(c.text.size() - 15, 65536 - c.text.size(), ' ');
        return c;
    }();
    return cfg;
}

void BM_Append1MB_XString(benchmark::State& state) {
    const auto& pieces = Pieces();
    for (auto _ : state) {
        XString s;
        for (const std::string& p : pieces) s += p.c_str();
        benchmark::DoNotOptimize(s.GetBuffer(0));
        state.counters["growths"] = s.GetGrowthCount();
    }
    state.SetBytesProcessed(state.iterations() * (1 << 20));
}

void BM_Append1MB_StdString(benchmark::State& state) {
    const auto& pieces = Pieces();
    for (auto _ : state) {
        std::string s;
        for (const std::string& p : pieces) s += p.c_str();
        benchmark::DoNotOptimize(s.data());
    }
    state.SetBytesProcessed(state.iterations() * (1 << 20));
}

void BM_SubBetween1000_XString(benchmark::State& state) {
    const Config& c = TheConfig();
    XString text(c.text.c_str());
    size_t total = 0;
    for (auto _ : state) {
        for (size_t i = 0; i < c.open.size(); ++i)
            total += text.SubBetweenFwd(c.open[i].c_str(), c.close[i].c_str(), 0).GetLength();
        benchmark::DoNotOptimize(total);
    }
}

void BM_SubBetween1000_StdString(benchmark::State& state) {
    const Config& c = TheConfig();
    const std::string& text = c.text;
    size_t total = 0;
    for (auto _ : state) {
        for (size_t i = 0; i < c.open.size(); ++i) {
            std::string value;
            const size_t b = text.find(c.open[i]);
            if (b != std::string::npos) {
                const size_t from = b + c.open[i].size();
                const size_t e = text.find(c.close[i], from);
                if (e != std::string::npos) value = text.substr(from, e - from);
            }
            total += value.size();
        }
        benchmark::DoNotOptimize(total);
    }
}
}  // namespace

BENCHMARK(BM_Append1MB_XString)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Append1MB_StdString)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SubBetween1000_XString)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SubBetween1000_StdString)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
