// Long random sequences of edits and queries, checked step by step against
// std::string doing the same work. The seed is fixed, so a failure repeats.
#include "xlib/XString.h"

#include "xlib/XStringArray.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>
#include <string>

namespace {
class Model {
public:
    explicit Model(uint32_t seed) : m_Rng(seed) {}

    unsigned Below(unsigned n) { return n ? static_cast<unsigned>(m_Rng() % n) : 0; }

    // Short texts over a small alphabet, so that searches hit often; now and
    // then a long one, so that the text crosses the built-in limit both ways.
    std::string Text() {
        static const char kAlphabet[] = "ab,c;<>A ";
        const unsigned len = Below(10) == 0 ? 40 + Below(200) : Below(6);
        std::string t;
        for (unsigned i = 0; i < len; ++i) t += kAlphabet[Below(sizeof kAlphabet - 1)];
        return t;
    }

    std::mt19937 m_Rng;
};

int StdFind(const std::string& s, const std::string& what, unsigned start, unsigned count) {
    if (what.empty() || start >= s.size() || count == 0) return -1;
    const size_t end = std::min<size_t>(s.size(), static_cast<size_t>(start) + count);
    const size_t at = s.substr(0, end).find(what, start);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}
}  // namespace

TEST(XStringRandom, AgreesWithStdStringOverLongMixedSequences) {
    for (uint32_t seed : {1u, 7u, 20261208u}) {
        Model m(seed);
        XString x;
        std::string ref;
        for (int step = 0; step < 20000; ++step) {
            const unsigned op = m.Below(11);
            const unsigned pos = m.Below(static_cast<unsigned>(ref.size()) + 3);
            const unsigned cnt = m.Below(8) == 0 ? XString::kRest : m.Below(12);
            const std::string t = m.Text();
            switch (op) {
                case 0:
                    x += t.c_str();
                    ref += t;
                    break;
                case 1: {
                    const unsigned times = 1 + m.Below(2);
                    x.Insert(t.c_str(), pos, times);
                    std::string piece;
                    for (unsigned i = 0; i < times; ++i) piece += t;
                    ref.insert(std::min<size_t>(pos, ref.size()), piece);
                    break;
                }
                case 2:
                    x.Delete(pos, cnt);
                    if (pos < ref.size()) ref.erase(pos, cnt);
                    break;
                case 3: {
                    const char c = ",;a"[m.Below(3)];
                    const std::string with = t.substr(0, 3);
                    x.ReplaceFwd(c, with.c_str(), pos, cnt);
                    unsigned done = 0;
                    for (size_t i = pos; i < ref.size() && done < cnt;) {
                        if (ref[i] == c) {
                            ref.replace(i, 1, with);
                            i += with.size();
                            ++done;
                        } else {
                            ++i;
                        }
                    }
                    break;
                }
                case 4: {
                    const std::string what = t.substr(0, 1 + m.Below(2));
                    ASSERT_EQ(StdFind(ref, what, pos, cnt), x.FindFwd(what.c_str(), pos, cnt))
                        << "seed " << seed << " step " << step;
                    break;
                }
                case 5: {
                    const std::string want = pos < ref.size() && cnt ? ref.substr(pos, cnt) : std::string();
                    ASSERT_EQ(want, x.Sub(pos, cnt).View()) << "seed " << seed << " step " << step;
                    break;
                }
                case 6: {
                    XStringArray& parts = x.Split(",", 0);
                    std::vector<std::string> want;
                    size_t from = 0;
                    for (;;) {
                        const size_t at = ref.find(',', from);
                        want.push_back(ref.substr(from, at == std::string::npos ? std::string::npos : at - from));
                        if (at == std::string::npos) break;
                        from = at + 1;
                    }
                    ASSERT_EQ(want.size(), parts.GetCount()) << "seed " << seed << " step " << step;
                    for (unsigned i = 0; i < parts.GetCount(); ++i) ASSERT_EQ(want[i], parts.Get(i).View());
                    break;
                }
                case 7: {
                    const unsigned times = 1 + m.Below(3), maxChars = m.Below(5);
                    x.Append(t.c_str(), times, maxChars);
                    for (unsigned i = 0; i < times; ++i) ref += t.substr(0, maxChars);
                    break;
                }
                case 8: {
                    const char c = "a,<"[m.Below(3)];
                    const int want = ref.rfind(c) == std::string::npos ? -1 : static_cast<int>(ref.rfind(c));
                    ASSERT_EQ(want, x.FindRev(c, XString::kRest, XString::kRest));
                    ASSERT_EQ(ref.substr(want < 0 ? 0 : want + 1), x.SubEndFindRev(c).View());
                    break;
                }
                case 9:
                    if (m.Below(4) == 0) {
                        x = t.c_str();
                        ref = t;
                    } else {
                        x.Truncate(pos);
                        if (pos < ref.size()) ref.resize(pos);
                    }
                    break;
                case 10: {
                    const std::string what = t.substr(0, 2);
                    x.RemoveString(what.c_str());
                    if (!what.empty())
                        for (size_t at = 0; (at = ref.find(what, at)) != std::string::npos;) ref.erase(at, what.size());
                    break;
                }
            }
            ASSERT_EQ(ref.size(), x.GetLength()) << "seed " << seed << " step " << step << " op " << op;
            ASSERT_EQ(ref, x.View()) << "seed " << seed << " step " << step << " op " << op;
            ASSERT_EQ('\0', x.GetBuffer(0)[x.GetLength()]);
            ASSERT_GE(x.GetCapacity(), x.GetLength() + 1);
        }
    }
}
