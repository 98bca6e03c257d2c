#include "xlib/XLinkList.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {
struct Numbers {
    std::vector<int> values;
    XLinkList<int> list;
    explicit Numbers(int n) : values(n) {
        for (int i = 0; i < n; ++i) {
            values[i] = i;
            list.AddTail(&values[i]);
        }
    }
    std::vector<int> Contents() {
        std::vector<int> out;
        for (unsigned i = 0; i < list.GetCount(); ++i) out.push_back(*list.Get(i));
        return out;
    }
};

void ExpectIndexError(const char* text, const std::function<void()>& fn) {
    try {
        fn();
        FAIL() << "no exception for " << text;
    } catch (const XException& e) {
        EXPECT_EQ(2u, e.GetCode());
        EXPECT_EQ(std::string("Exception(Basalt): Class XLinkList, Msg=") + text, e.GetMessage());
    }
}
}  // namespace

TEST(XLinkList, IndexedWalkTakesTheShortWay) {
    Numbers n(1000);
    EXPECT_EQ(999, *n.list.Get(999));  // from the tail, no cursor yet
    EXPECT_EQ(0u, n.list.GetLastWalkSteps());
    EXPECT_EQ(3, *n.list.Get(3));      // from the head
    EXPECT_EQ(3u, n.list.GetLastWalkSteps());
    EXPECT_EQ(4, *n.list.Get(4));      // one step on from the cursor
    EXPECT_EQ(1u, n.list.GetLastWalkSteps());
    EXPECT_EQ(2, *n.list.Get(2));      // backwards from the cursor
    EXPECT_EQ(2u, n.list.GetLastWalkSteps());
    EXPECT_EQ(999, *n.list.Get(n.list.GetCount() - 1));
    EXPECT_EQ(0u, n.list.GetLastWalkSteps());
    // A sequential walk costs one link per call.
    for (unsigned i = 500; i < 600; ++i) {
        EXPECT_EQ(static_cast<int>(i), *n.list.Get(i));
        if (i > 500) {
            EXPECT_EQ(1u, n.list.GetLastWalkSteps());
        }
    }
}

TEST(XLinkList, RemoveKeepsOrderAndCursorOnANeighbour) {
    Numbers n(6);
    EXPECT_EQ(2, *n.list.Remove(2));
    EXPECT_EQ((std::vector<int>{0, 1, 3, 4, 5}), n.Contents());
    EXPECT_EQ(5, *n.list.Remove(4));  // the tail: cursor falls back to the new tail
    EXPECT_EQ(4, *n.list.Get(3));
    EXPECT_EQ(0, *n.list.Remove(0));
    EXPECT_EQ((std::vector<int>{1, 3, 4}), n.Contents());
    EXPECT_EQ(1, *n.list.Get(0));
    // Mixed removals and indexed reads through the cursor stay consistent.
    Numbers m(50);
    std::vector<int> model = m.values;
    for (unsigned k = 0; k < 40; ++k) {
        unsigned index = (k * 7) % static_cast<unsigned>(model.size());
        EXPECT_EQ(model[index], *m.list.Remove(index));
        model.erase(model.begin() + index);
        unsigned probe = (k * 3) % static_cast<unsigned>(model.size());
        EXPECT_EQ(model[probe], *m.list.Get(probe));
    }
    EXPECT_EQ(model, m.Contents());
}

TEST(XLinkList, RemoveHeadAndRemoveAll) {
    XLinkList<int> empty;
    EXPECT_EQ(nullptr, empty.RemoveHead());
    Numbers n(3);
    n.list.Get(2);
    EXPECT_EQ(0, *n.list.RemoveHead());
    EXPECT_EQ((std::vector<int>{1, 2}), n.Contents());
    EXPECT_EQ(1, *n.list.RemoveHead());
    EXPECT_EQ(2, *n.list.RemoveHead());
    EXPECT_EQ(nullptr, n.list.RemoveHead());
    EXPECT_EQ(0u, n.list.GetCount());

    Numbers m(4);
    m.list.Get(3);
    m.list.RemoveAll();
    EXPECT_EQ(0u, m.list.GetCount());
    EXPECT_EQ(4u, m.values.size());  // the pointed-to objects are not the list's
    m.list.AddTail(&m.values[2]);
    EXPECT_EQ(2, *m.list.Get(0));
}

TEST(XLinkList, OutOfRangeThrowsCode2) {
    Numbers n(2);
    ExpectIndexError("in Get index is out of range.", [&] { n.list.Get(2); });
    ExpectIndexError("in Remove index is out of range.", [&] { n.list.Remove(5); });
    XLinkList<int> empty;
    ExpectIndexError("in Get index is out of range.", [&] { empty.Get(0); });
    ExpectIndexError("in Remove index is out of range.", [&] { empty.Remove(0); });
    EXPECT_EQ((std::vector<int>{0, 1}), n.Contents());
}
