#include "xlib/XArray.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {
template <class T>
std::vector<T> Contents(const XArray<T>& a) {
    std::vector<T> out;
    for (unsigned i = 0; i < a.GetCount(); ++i) out.push_back(a.Get(i));
    return out;
}

XArray<int> Numbers(int n) {
    XArray<int> a;
    for (int i = 0; i < n; ++i) a.Add(i);
    return a;
}

void ExpectThrows(uint32_t code, const char* text, void (*fn)(XArray<int>&), XArray<int>& a) {
    std::vector<int> before = Contents(a);
    try {
        fn(a);
        FAIL() << "no exception for " << text;
    } catch (const XException& e) {
        EXPECT_EQ(code, e.GetCode());
        EXPECT_EQ(std::string("Exception(Basalt): Class XArray, Msg=") + text, e.GetMessage());
    }
    EXPECT_EQ(before, Contents(a)) << "a failed range check changed the array";
}
}  // namespace

TEST(XArray, FirstAddWithGrowStepZeroAllocates130Slots) {
    XArray<int> a;
    EXPECT_EQ(0u, a.GetCapacity());
    int index = -1;
    a.Add(7, 1, &index);
    EXPECT_EQ(0, index);
    EXPECT_EQ(130u, a.GetCapacity());

    XArray<int> stepped(10);
    stepped.Add(1, 3);
    EXPECT_EQ(13u, stepped.GetCapacity());  // needed 3 + step 10
    stepped.GrowArray(5);                   // 8 <= 13: nothing to do
    EXPECT_EQ(13u, stepped.GetCapacity());
}

TEST(XArray, AddCopiesAndReportsFirstIndex) {
    XArray<std::string> a;
    a.Add("x", 0);  // nothing
    EXPECT_EQ(0u, a.GetCount());
    int index = -1;
    a.Add("a");
    a.Add("b", 3, &index);
    EXPECT_EQ(1, index);
    EXPECT_EQ((std::vector<std::string>{"a", "b", "b", "b"}), Contents(a));
}

TEST(XArray, AddOfOwnElementSurvivesGrowth) {
    XArray<std::string> a(1);
    a.Add(std::string(100, 'q'));
    // The reference points into storage that growth replaces.
    a.Add(a.Get(0), 5);
    ASSERT_EQ(6u, a.GetCount());
    for (unsigned i = 0; i < 6; ++i) EXPECT_EQ(std::string(100, 'q'), a.Get(i));
}

TEST(XArray, RemoveTwoThenGetReturnsTheThird) {
    XArray<int> a = Numbers(5);
    a.Remove(0, 2);
    EXPECT_TRUE(a.HasRemovalsPending());
    EXPECT_EQ(3u, a.GetCount());
    EXPECT_EQ(2, a.Get(0));
    EXPECT_FALSE(a.HasRemovalsPending());
    EXPECT_EQ((std::vector<int>{2, 3, 4}), Contents(a));
}

TEST(XArray, RemovePastTheEndIsCut) {
    XArray<int> a = Numbers(5);
    a.Remove(3, 100);
    EXPECT_EQ((std::vector<int>{0, 1, 2}), Contents(a));
    a.Remove(1, 0);
    EXPECT_EQ(3u, a.GetCount());
}

TEST(XArray, SeveralRemovalsBeforeOneCompactionFollowTheCurrentOrder) {
    struct Case {
        std::vector<std::pair<unsigned, unsigned>> removals;  // index, n
        std::vector<int> expected;
    } cases[] = {
        {{{2, 1}, {2, 1}, {2, 1}}, {0, 1, 5, 6, 7, 8, 9}},        // same place: merged into one run
        {{{5, 1}, {4, 1}, {3, 2}}, {0, 1, 2, 7, 8, 9}},           // walking backwards: merged
        {{{1, 1}, {5, 2}, {0, 1}}, {2, 3, 4, 5, 8, 9}},            // scattered
        {{{8, 5}, {0, 1}, {6, 1}}, {1, 2, 3, 4, 5, 6}},           // tail, head, then the new tail
        {{{3, 2}, {1, 2}}, {0, 5, 6, 7, 8, 9}},                   // ending just before the run
        {{{3, 2}, {1, 3}}, {0, 6, 7, 8, 9}},                      // overlapping the old run's place
    };
    for (const Case& c : cases) {
        XArray<int> a = Numbers(10);
        std::vector<int> model;
        for (int i = 0; i < 10; ++i) model.push_back(i);
        for (auto [index, n] : c.removals) a.Remove(index, n);
        EXPECT_EQ(c.expected, Contents(a));
        // The freed slots are all reusable: fill back to ten.
        std::vector<int> full = c.expected;
        for (int v = 100; full.size() < 10; ++v) {
            a.Add(v);
            full.push_back(v);
        }
        EXPECT_EQ(full, Contents(a));
        EXPECT_EQ(130u, a.GetCapacity()) << "removed slots were not reused";
    }
}

TEST(XArray, SwapExchangesEntriesNotElements) {
    XArray<std::string> a;
    for (const char* s : {"a", "b", "c"}) a.Add(s);
    EXPECT_EQ(1, a.IsOrdered());
    const std::string* first = &a.Get(0);
    const std::string* last = &a.Get(2);
    a.Swap(0, 2);
    EXPECT_EQ(0, a.IsOrdered());
    EXPECT_EQ((std::vector<std::string>{"c", "b", "a"}), Contents(a));
    EXPECT_EQ(last, &a.Get(0));  // the element stayed in its slot
    EXPECT_EQ(first, &a.Get(2));

    XArray<std::string> same;
    for (const char* s : {"a", "b"}) same.Add(s);
    same.Swap(1, 1);
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), Contents(same));
}

TEST(XArray, SetAssignsAndAppendsPastTheEnd) {
    XArray<int> a = Numbers(3);
    a.Set(9, 1, 1);
    EXPECT_EQ((std::vector<int>{0, 9, 2}), Contents(a));
    a.Set(7, 2, 3);
    EXPECT_EQ((std::vector<int>{0, 9, 7, 7, 7}), Contents(a));
    a.Set(5, 5, 1);  // index == count appends
    EXPECT_EQ((std::vector<int>{0, 9, 7, 7, 7, 5}), Contents(a));
    a.Set(1, 0, 0);
    EXPECT_EQ(0, a.Get(0));
}

TEST(XArray, OutOfRangeThrowsCode2AndChangesNothing) {
    XArray<int> a = Numbers(3);
    ExpectThrows(2, "in Get could not obtain out of range index.", [](XArray<int>& x) { x.Get(3); }, a);
    ExpectThrows(2, "in Set could not set the data for an out of range index.", [](XArray<int>& x) { x.Set(1, 4, 1); }, a);
    ExpectThrows(2, "in Remove could not remove the data for an out of range index.", [](XArray<int>& x) { x.Remove(3, 1); }, a);
    ExpectThrows(2, "in Swap could not access data for an out of range index.", [](XArray<int>& x) { x.Swap(0, 3); }, a);
    ExpectThrows(2, "in Swap could not access data for an out of range index.", [](XArray<int>& x) { x.Swap(7, 1); }, a);
    XArray<int> empty;
    ExpectThrows(2, "in Get could not obtain out of range index.", [](XArray<int>& x) { x.Get(0); }, empty);
    // A removal pending when the check fails stays pending and correct.
    a.Remove(0, 1);
    ExpectThrows(2, "in Remove could not remove the data for an out of range index.", [](XArray<int>& x) { x.Remove(2, 1); }, a);
    EXPECT_EQ((std::vector<int>{1, 2}), Contents(a));
}

TEST(XArray, ClearReturnsToTheInitialState) {
    XArray<int> a = Numbers(4);
    a.Swap(0, 1);
    a.Remove(0, 1);
    a.Clear();
    EXPECT_EQ(0u, a.GetCount());
    EXPECT_EQ(0u, a.GetCapacity());
    EXPECT_EQ(1, a.IsOrdered());
    EXPECT_FALSE(a.HasRemovalsPending());
    a.Add(3);
    EXPECT_EQ((std::vector<int>{3}), Contents(a));
}

TEST(XArray, CopiesAreIndependentAndInLogicalOrder) {
    XArray<int> a = Numbers(5);
    a.Swap(0, 4);
    a.Remove(1, 1);
    XArray<int> b(a);
    EXPECT_EQ((std::vector<int>{4, 2, 3, 0}), Contents(b));
    b.Set(9, 0, 1);
    EXPECT_EQ(4, a.Get(0));
    XArray<int> c;
    c.Add(1);
    c = a;
    EXPECT_EQ(Contents(a), Contents(c));
}

// Random adds, removes, swaps and sets against std::vector, with growth steps
// that force many reallocations while removals are pending.
TEST(XArray, MatchesVectorUnderRandomOperations) {
    for (unsigned growStep : {0u, 1u, 7u}) {
        uint32_t seed = 12345u + growStep;
        auto next = [&seed](uint32_t bound) {
            seed = seed * 1664525u + 1013904223u;
            return static_cast<unsigned>((seed >> 8) % bound);
        };
        XArray<std::string> a(growStep);
        std::vector<std::string> model;
        for (int step = 0; step < 6000; ++step) {
            unsigned op = next(100);
            if (op < 40 || model.empty()) {
                unsigned n = next(4);
                std::string v = "v" + std::to_string(step);
                int index = -1;
                a.Add(v, n, &index);
                if (n) {
                    EXPECT_EQ(static_cast<int>(model.size()), index);
                }
                model.insert(model.end(), n, v);
            } else if (op < 75) {
                unsigned index = next(static_cast<unsigned>(model.size()));
                unsigned n = next(5);
                a.Remove(index, n);
                size_t cut = std::min<size_t>(n, model.size() - index);
                model.erase(model.begin() + index, model.begin() + index + cut);
                // Often a second removal follows at once, at the same place or
                // just before it, while the first is still pending.
                if (!model.empty() && next(2) == 0) {
                    unsigned n2 = 1 + next(3);
                    unsigned at = next(2) == 0 ? index : (index >= n2 ? index - n2 : 0);
                    if (at >= model.size()) at = static_cast<unsigned>(model.size()) - 1;
                    a.Remove(at, n2);
                    size_t cut2 = std::min<size_t>(n2, model.size() - at);
                    model.erase(model.begin() + at, model.begin() + at + cut2);
                }
            } else if (op < 88) {
                unsigned x = next(static_cast<unsigned>(model.size()));
                unsigned y = next(static_cast<unsigned>(model.size()));
                a.Swap(x, y);
                std::swap(model[x], model[y]);
            } else if (op < 95) {
                unsigned index = next(static_cast<unsigned>(model.size()) + 1);
                unsigned n = next(3);
                std::string v = "s" + std::to_string(step);
                a.Set(v, index, n);
                for (unsigned k = 0; k < n; ++k) {
                    if (index + k < model.size())
                        model[index + k] = v;
                    else
                        model.push_back(v);
                }
            } else {
                unsigned index = next(static_cast<unsigned>(model.size()));
                ASSERT_EQ(model[index], a.Get(index)) << "step " << step;
            }
            ASSERT_EQ(model.size(), a.GetCount()) << "step " << step;
            if (step % 97 == 0) {
                ASSERT_EQ(model, Contents(a)) << "step " << step;
            }
        }
        EXPECT_EQ(model, Contents(a));
    }
}
