// What Split needs from the string array. The containers provide the real
// XStringArray; until they are part of the tree this minimal one stands in
// with the same member names, so the string class builds and tests on its own.
#pragma once

#if __has_include("xlib/XStringArray.h")
#include "xlib/XStringArray.h"
#else
#include "xlib/XString.h"

#include <vector>

class XStringArray {
public:
    virtual ~XStringArray() = default;
    void Add(const char* text, unsigned n = 1, int* pIndex = nullptr) {
        if (pIndex) *pIndex = static_cast<int>(m_Items.size());
        for (unsigned i = 0; i < n; ++i) m_Items.emplace_back(text);
    }
    XString& Get(unsigned index) {
        if (index >= m_Items.size()) throw XException(XERR_INDEX, "XArray", "in Get could not obtain out of range index.");
        return m_Items[index];
    }
    unsigned GetCount() const { return static_cast<unsigned>(m_Items.size()); }
    void GrowArray(unsigned n) { m_Items.reserve(m_Items.size() + n); }
    void Clear() { m_Items.clear(); }

private:
    std::vector<XString> m_Items;
};
#endif
