#include "xlib/XString.h"

#include "xlib/XStringArray.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace {
const char* const kClass = "XString";

// Flags: the string has been set up; it records failure texts.
constexpr uint8_t kFlagInit = 1;
constexpr uint8_t kFlagMessage = 2;

// An exact extra beyond this (or beyond the new length, when larger) is not
// worth it: one large append after many small ones would otherwise ask for
// many times the text's size.
constexpr double kMaxExtraFloor = 65536.0;

inline char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c; }

inline bool InSet(char c, const char* set, size_t setLen, bool noCase, int* pWhich) {
    for (size_t k = 0; k < setLen; ++k) {
        if (set[k] == c || (noCase && Lower(set[k]) == Lower(c))) {
            if (pWhich) *pWhich = static_cast<int>(k);
            return true;
        }
    }
    return false;
}

std::string Text(const char* a, const char* b, const char* c = "") { return std::string(a) + b + c; }

[[noreturn]] void Rewrap(const XException& e, const char* method) { throw XException::Rewrap(e, kClass, method); }

template <class T>
unsigned ToDecimal(T value, char (&buf)[24]) {
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return static_cast<unsigned>(r.ptr - buf);
}
}  // namespace

// ---------------------------------------------------------------- storage

void XString::Throw(uint32_t code, const char* message) { throw XException(code, kClass, message); }

void XString::ResetStats() {
    m_AvgAppend = 64.0f;
    m_GrowthCount = 0;
    m_AppendCount = 0;
}

void XString::NoteAppend(unsigned n) {
    ++m_AppendCount;
    m_AvgAppend = (m_AvgAppend + static_cast<float>(n)) * 0.5f;
}

unsigned XString::GrowthExtra() const {
    if (m_GrowthCount == 0) return 0;
    const double a = m_AppendCount;
    const double g = m_GrowthCount;
    double extra = (a - a / g + 1.0) * static_cast<double>(m_AvgAppend) + 256.0;
    if (extra < 0) extra = 0;
    const double cap = m_Length > kMaxExtraFloor ? static_cast<double>(m_Length) : kMaxExtraFloor;
    if (extra > cap) extra = cap;
    return static_cast<unsigned>(extra);
}

bool XString::Reserve(unsigned n, bool countGrowth, bool withExtra) {
    if (!m_pHeap && n <= kBuiltInChars) return true;
    if (m_pHeap && m_Capacity > n) return true;
    if (n > kMaxLength) return false;
    if (countGrowth) ++m_GrowthCount;
    uint64_t cap = static_cast<uint64_t>(n) + 1 + (withExtra ? GrowthExtra() : 0);
    if (cap > static_cast<uint64_t>(kMaxLength) + 1) cap = static_cast<uint64_t>(kMaxLength) + 1;
    char* p = static_cast<char*>(std::malloc(static_cast<size_t>(cap)));
    if (!p) {
        if (countGrowth) --m_GrowthCount;
        return false;
    }
    std::memcpy(p, Data(), m_Length + 1);
    std::free(m_pHeap);
    m_pHeap = p;
    m_Capacity = static_cast<uint32_t>(cap);
    return true;
}

void XString::MakeSize(unsigned n) {
    if (!Reserve(n, false, true)) Throw(XERR_NO_MEMORY, "in MakeSize could not allocate memory for temporary buffer.");
}

void XString::SetLength(unsigned n) {
    const unsigned room = m_pHeap ? m_Capacity - 1 : kBuiltInChars;
    if (n > room) Throw(XERR_INDEX, "in SetLength length is past the end of the buffer.");
    m_Length = n;
    Data()[n] = '\0';
}

void XString::AssignRaw(const char* p, unsigned n) {
    ResetStats();
    if (n > kMaxLength) Throw(XERR_NO_MEMORY, "in MakeSize could not allocate memory for temporary buffer.");
    // A source inside our own text never needs more room than we have, so it survives MakeSize.
    MakeSize(n);
    std::memmove(Data(), p, n);
    m_Length = n;
    Data()[n] = '\0';
}

void XString::AppendRaw(const char* p, unsigned n, const char* failText) {
    NoteAppend(n);
    if (n == 0) return;
    const uint64_t newLen = static_cast<uint64_t>(m_Length) + n;
    if (newLen > kMaxLength) Throw(XERR_NO_MEMORY, failText);
    // Appending part of ourselves: remember where it sits, the buffer may move.
    const char* base = Data();
    const bool inside = std::less_equal<const char*>()(base, p) &&
                        std::less<const char*>()(p, base + (m_pHeap ? m_Capacity : kBuiltInChars + 1));
    const size_t offset = inside ? static_cast<size_t>(p - base) : 0;
    if (!Reserve(static_cast<unsigned>(newLen), true, true)) Throw(XERR_NO_MEMORY, failText);
    if (inside) p = Data() + offset;
    std::memmove(Data() + m_Length, p, n);
    m_Length = static_cast<uint32_t>(newLen);
    Data()[m_Length] = '\0';
}

// ---------------------------------------------------------------- construction

void XString::InitMessage() {
    m_Local[0] = '\0';
    m_Flags = kFlagInit | kFlagMessage;
}

XString::XString() { InitMessage(); }

XString::XString(bool bMessage, bool) {
    m_Local[0] = '\0';
    m_Flags = kFlagInit | (bMessage ? kFlagMessage : 0);
}

XString::XString(const XString& other) {
    InitMessage();
    try {
        AssignRaw(other.Data(), other.m_Length);
    } catch (const XException& e) {
        Rewrap(e, "XString constructor");
    }
}

XString::XString(XString&& other) noexcept {
    m_Local[0] = '\0';
    m_Flags = other.m_Flags;
    if (other.m_pHeap) {
        m_pHeap = other.m_pHeap;
        m_Capacity = other.m_Capacity;
        m_Length = other.m_Length;
        other.m_pHeap = nullptr;
        other.m_Capacity = 0;
        other.m_Length = 0;
        other.m_Local[0] = '\0';
    } else {
        std::memcpy(m_Local, other.m_Local, other.m_Length + 1);
        m_Length = other.m_Length;
    }
}

XString::XString(const char* text) {
    InitMessage();
    if (!text) return;
    try {
        AssignRaw(text, static_cast<unsigned>(std::strlen(text)));
    } catch (const XException& e) {
        Rewrap(e, "XString constructor");
    }
}

XString::XString(char c) {
    InitMessage();
    if (c) AssignRaw(&c, 1);
}

#define XSTRING_NUMBER_CTOR(T)                      \
    XString::XString(T value) {                     \
        InitMessage();         \
        char buf[24];                               \
        AssignRaw(buf, ToDecimal(value, buf));      \
    }
XSTRING_NUMBER_CTOR(int)
XSTRING_NUMBER_CTOR(unsigned int)
XSTRING_NUMBER_CTOR(long)
XSTRING_NUMBER_CTOR(unsigned long)
XSTRING_NUMBER_CTOR(long long)
XSTRING_NUMBER_CTOR(unsigned long long)
#undef XSTRING_NUMBER_CTOR

XString::~XString() {
    std::free(m_pHeap);
    delete m_pScratch;
    delete m_pSplit;
    delete m_pError;
}

void XString::SetData(const char* text, int length) {
    if (!text) return;
    try {
        AssignRaw(text, length < 0 ? static_cast<unsigned>(std::strlen(text)) : static_cast<unsigned>(length));
    } catch (const XException& e) {
        Rewrap(e, "SetData");
    }
}

XString& XString::operator=(const char* text) {
    try {
        if (text) SetData(text, -1);
        else ResetStats();
    } catch (const XException& e) {
        Rewrap(e, "operator = SetData");
    }
    return *this;
}

XString& XString::operator=(const XString& other) {
    if (this == &other) {
        ResetStats();
        return *this;
    }
    try {
        try {
            AssignRaw(other.Data(), other.m_Length);
        } catch (const XException& e) {
            Rewrap(e, "SetData");
        }
    } catch (const XException& e) {
        Rewrap(e, "operator = SetData");
    }
    return *this;
}

XString& XString::operator=(XString&& other) noexcept {
    if (this == &other) return *this;
    ResetStats();
    if (other.m_pHeap) {
        std::free(m_pHeap);
        m_pHeap = other.m_pHeap;
        m_Capacity = other.m_Capacity;
        m_Length = other.m_Length;
        other.m_pHeap = nullptr;
        other.m_Capacity = 0;
        other.m_Length = 0;
        other.m_Local[0] = '\0';
    } else {
        // Fits the built-in buffer, and any heap buffer we already have.
        std::memcpy(Data(), other.m_Local, other.m_Length + 1);
        m_Length = other.m_Length;
    }
    return *this;
}

XString& XString::operator=(char c) {
    char buf[2] = {c, '\0'};
    return *this = buf;
}

#define XSTRING_NUMBER_ASSIGN(T)                    \
    XString& XString::operator=(T value) {          \
        char buf[24];                               \
        buf[ToDecimal(value, buf)] = '\0';          \
        return *this = static_cast<const char*>(buf); \
    }
XSTRING_NUMBER_ASSIGN(int)
XSTRING_NUMBER_ASSIGN(unsigned int)
XSTRING_NUMBER_ASSIGN(long)
XSTRING_NUMBER_ASSIGN(unsigned long)
XSTRING_NUMBER_ASSIGN(long long)
XSTRING_NUMBER_ASSIGN(unsigned long long)
#undef XSTRING_NUMBER_ASSIGN

// ---------------------------------------------------------------- append and insert

namespace {
const char* const kPlusFail = "in += could not allocate memory for temp string.";
const char* const kAppendFail = "in Append could not allocate memory for temp string.";
}  // namespace

XString& XString::operator+=(const char* text) {
    if (text) AppendRaw(text, static_cast<unsigned>(std::strlen(text)), kPlusFail);
    return *this;
}

XString& XString::operator+=(const XString& other) {
    AppendRaw(other.Data(), other.m_Length, kPlusFail);
    return *this;
}

XString& XString::operator+=(char c) {
    Append(c);
    return *this;
}

void XString::Append(char c) {
    if (c) AppendRaw(&c, 1, kAppendFail);
}

void XString::Append(char c, unsigned n) {
    if (!c || n == 0) return;
    NoteAppend(n);
    const uint64_t newLen = static_cast<uint64_t>(m_Length) + n;
    if (newLen > kMaxLength || !Reserve(static_cast<unsigned>(newLen), true, true)) Throw(XERR_NO_MEMORY, kAppendFail);
    std::memset(Data() + m_Length, c, n);
    m_Length = static_cast<uint32_t>(newLen);
    Data()[m_Length] = '\0';
}

void XString::Append(const char* s, unsigned times, unsigned maxChars) {
    if (!s || times == 0 || maxChars == 0) return;
    size_t k = 0;
    while (k < maxChars && s[k]) ++k;
    if (k == 0) return;
    if (times == 1) {
        AppendRaw(s, static_cast<unsigned>(k), kAppendFail);
        return;
    }
    const uint64_t total = static_cast<uint64_t>(k) * times;
    if (total + m_Length > kMaxLength) {
        NoteAppend(0);
        Throw(XERR_NO_MEMORY, kAppendFail);
    }
    const std::string copy(s, k);  // s may live in our own buffer
    NoteAppend(static_cast<unsigned>(total));
    if (!Reserve(static_cast<unsigned>(m_Length + total), true, true)) Throw(XERR_NO_MEMORY, kAppendFail);
    char* out = Data() + m_Length;
    for (unsigned t = 0; t < times; ++t, out += k) std::memcpy(out, copy.data(), k);
    m_Length += static_cast<uint32_t>(total);
    Data()[m_Length] = '\0';
}

void XString::Append(const XString& s) { AppendRaw(s.Data(), s.m_Length, kAppendFail); }

#define XSTRING_NUMBER_APPEND(T)                    \
    void XString::Append(T value) {                 \
        char buf[24];                               \
        AppendRaw(buf, ToDecimal(value, buf), kAppendFail); \
    }
XSTRING_NUMBER_APPEND(unsigned short)
XSTRING_NUMBER_APPEND(int)
XSTRING_NUMBER_APPEND(unsigned int)
XSTRING_NUMBER_APPEND(long)
XSTRING_NUMBER_APPEND(unsigned long)
XSTRING_NUMBER_APPEND(long long)
XSTRING_NUMBER_APPEND(unsigned long long)
#undef XSTRING_NUMBER_APPEND

void XString::Append(bool value) {
    if (value) AppendRaw("true", 4, kAppendFail);
    else AppendRaw("false", 5, kAppendFail);
}

void XString::AppendData(const void* bytes, unsigned n) {
    if (!bytes) return;
    // Grows like any other append, so that building a binary buffer piece by
    // piece does not reallocate on every call.
    try {
        AppendRaw(static_cast<const char*>(bytes), n, "in MakeSize could not allocate memory for temporary buffer.");
    } catch (const XException& e) {
        Rewrap(e, "AppendData MakeSize");
    }
}

void XString::AppendNoExist(char c, unsigned n) {
    if (EndsWith(c)) return;
    try {
        Append(c, n);
    } catch (const XException& e) {
        Rewrap(e, "AppendNoExist Append");
    }
}

void XString::Insert(const char* s, unsigned uiPos, unsigned n) {
    if (!s || !*s || n == 0) return;
    try {
        const std::string piece(s);  // s may live in our own buffer
        const uint64_t add = static_cast<uint64_t>(piece.size()) * n;
        if (add + m_Length > kMaxLength) Throw(XERR_NO_MEMORY, "in MakeSize could not allocate memory for temporary buffer.");
        if (uiPos > m_Length) uiPos = m_Length;
        MakeSize(static_cast<unsigned>(m_Length + add));
        char* d = Data();
        std::memmove(d + uiPos + add, d + uiPos, m_Length - uiPos);
        char* out = d + uiPos;
        for (unsigned t = 0; t < n; ++t, out += piece.size()) std::memcpy(out, piece.data(), piece.size());
        m_Length += static_cast<uint32_t>(add);
        d[m_Length] = '\0';
    } catch (const XException& e) {
        Rewrap(e, "Insert");
    }
}

void XString::Insert(char c, unsigned uiPos, unsigned n) {
    const char text[2] = {c, '\0'};
    Insert(text, uiPos, n);
}

void XString::PadLeft(char c, unsigned width) {
    if (m_Length >= width) return;
    try {
        Insert(c, 0, width - m_Length);
    } catch (const XException& e) {
        Rewrap(e, "PadLeft Insert");
    }
}

void XString::PadRight(char c, unsigned width) {
    if (m_Length >= width) return;
    try {
        Insert(c, m_Length, width - m_Length);
    } catch (const XException& e) {
        Rewrap(e, "PadRight Insert");
    }
}

// ---------------------------------------------------------------- access and conversion

char* XString::GetBuffer(unsigned uiIndex) { return Data() + (uiIndex < m_Length ? uiIndex : m_Length); }

const char* XString::GetBuffer(unsigned uiIndex) const { return Data() + (uiIndex < m_Length ? uiIndex : m_Length); }

char& XString::operator[](unsigned uiIndex) {
    if (uiIndex >= m_Length) Throw(XERR_INDEX, "in [] index out of range.");
    return Data()[uiIndex];
}

const char& XString::operator[](unsigned uiIndex) const {
    if (uiIndex >= m_Length) Throw(XERR_INDEX, "in [] index out of range.");
    return Data()[uiIndex];
}

int XString::ToInt(unsigned uiIndex) const {
    // atoi's result, without its undefined behaviour on overflow.
    long long v = std::strtoll(GetBuffer(uiIndex), nullptr, 10);
    if (v > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (v < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

double XString::ToDouble(unsigned uiIndex) const { return std::strtod(GetBuffer(uiIndex), nullptr); }

bool XString::IsTrue(unsigned uiIndex) const {
    if (uiIndex >= m_Length || m_Length - uiIndex < 4) return false;
    const char* p = Data() + uiIndex;
    return Lower(p[0]) == 't' && Lower(p[1]) == 'r' && Lower(p[2]) == 'u' && Lower(p[3]) == 'e';
}

void XString::MakeLower() {
    char* p = Data();
    for (uint32_t i = 0; i < m_Length; ++i) p[i] = Lower(p[i]);
}

unsigned XString::GetCapacity() const { return m_pHeap ? m_Capacity : kBuiltInChars + 1; }

// ---------------------------------------------------------------- comparison

bool XString::operator==(const char* pcsz) const {
    if (!pcsz) Throw(XERR_NULL_ARGUMENT, "in == pcsz was passed in as a NULL pointer.");
    const size_t n = std::strlen(pcsz);
    return n == m_Length && std::memcmp(Data(), pcsz, n) == 0;
}

bool XString::operator==(const XString& other) const {
    return other.m_Length == m_Length && std::memcmp(Data(), other.Data(), m_Length) == 0;
}

int XString::CompareImpl(const char* other, unsigned otherLen, unsigned uiCompareToIndex, unsigned uiSrcIndex,
                         unsigned uiCount, bool noCase) const {
    if (m_Length && uiSrcIndex >= m_Length)
        Throw(XERR_INDEX, noCase ? "in CompareNoCase uiSrcIndex is an invalid index past the end of the source string length."
                                 : "in Compare uiSrcIndex is an invalid index past the end of the source string length.");
    if (otherLen && uiCompareToIndex >= otherLen)
        Throw(XERR_INDEX,
              noCase ? "in CompareNoCase uiCompareToIndex is an invalid index past the end of the compare to string length."
                     : "in Compare uiCompareToIndex is an invalid index past the end of the compare to string length.");
    if (!m_Length) return otherLen ? -1 : 0;
    if (!otherLen) return 1;
    unsigned srcRem = m_Length - uiSrcIndex;
    unsigned othRem = otherLen - uiCompareToIndex;
    if (srcRem > uiCount) srcRem = uiCount;
    if (othRem > uiCount) othRem = uiCount;
    const unsigned n = srcRem < othRem ? srcRem : othRem;
    const unsigned char* a = reinterpret_cast<const unsigned char*>(Data() + uiSrcIndex);
    const unsigned char* b = reinterpret_cast<const unsigned char*>(other + uiCompareToIndex);
    for (unsigned i = 0; i < n; ++i) {
        if (noCase) {
            const int la = static_cast<unsigned char>(Lower(static_cast<char>(a[i])));
            const int lb = static_cast<unsigned char>(Lower(static_cast<char>(b[i])));
            if (la != lb) return la - lb;
        } else if (a[i] != b[i]) {
            return a[i] < b[i] ? -1 : 1;
        }
    }
    if (srcRem < othRem) return -1;
    if (srcRem > othRem) return 1;
    return 0;
}

int XString::Compare(const char* pcszCompareTo, unsigned uiCompareToIndex, unsigned uiSrcIndex, unsigned uiCount) const {
    if (!pcszCompareTo) Throw(XERR_NULL_ARGUMENT, "in Compare pcszCompareTo was passed in as a NULL pointer.");
    return CompareImpl(pcszCompareTo, static_cast<unsigned>(std::strlen(pcszCompareTo)), uiCompareToIndex, uiSrcIndex,
                       uiCount, false);
}

int XString::Compare(const XString& compareTo, unsigned uiCompareToIndex, unsigned uiSrcIndex, unsigned uiCount) const {
    return CompareImpl(compareTo.Data(), compareTo.m_Length, uiCompareToIndex, uiSrcIndex, uiCount, false);
}

int XString::CompareNoCase(const char* pcszCompareTo, unsigned uiCompareToIndex, unsigned uiSrcIndex,
                           unsigned uiCount) const {
    if (!pcszCompareTo) Throw(XERR_NULL_ARGUMENT, "in CompareNoCase pcszCompareTo was passed in as a NULL pointer.");
    return CompareImpl(pcszCompareTo, static_cast<unsigned>(std::strlen(pcszCompareTo)), uiCompareToIndex, uiSrcIndex,
                       uiCount, true);
}

int XString::CompareNoCase(const XString& compareTo, unsigned uiCompareToIndex, unsigned uiSrcIndex,
                           unsigned uiCount) const {
    return CompareImpl(compareTo.Data(), compareTo.m_Length, uiCompareToIndex, uiSrcIndex, uiCount, true);
}

bool XString::BeginsWith(const char* s) const {
    if (!s || !*s) return false;
    const size_t n = std::strlen(s);
    return n <= m_Length && std::memcmp(Data(), s, n) == 0;
}

bool XString::EndsWith(char c) const { return c && m_Length && Data()[m_Length - 1] == c; }

bool XString::EndsWith(const char* s) const {
    if (!s || !*s) return false;
    const size_t n = std::strlen(s);
    return n <= m_Length && std::memcmp(Data() + m_Length - n, s, n) == 0;
}

bool XString::EndsWithNoCase(const char* s) const {
    if (!s || !*s) return false;
    const size_t n = std::strlen(s);
    if (n > m_Length) return false;
    const char* p = Data() + m_Length - n;
    for (size_t i = 0; i < n; ++i)
        if (Lower(p[i]) != Lower(s[i])) return false;
    return true;
}

// ---------------------------------------------------------------- search

namespace {
// The end of the window [start, start + count), cut at the length, without wrapping.
inline uint32_t WindowEnd(uint32_t length, unsigned start, unsigned count) {
    const uint64_t end = static_cast<uint64_t>(start) + count;
    return end > length ? length : static_cast<uint32_t>(end);
}
}  // namespace

int XString::FindFwd(char c, unsigned uiStart, unsigned uiCount) const {
    if (uiStart >= m_Length || uiCount == 0) return -1;
    const uint32_t end = WindowEnd(m_Length, uiStart, uiCount);
    const void* hit = std::memchr(Data() + uiStart, c, end - uiStart);
    return hit ? static_cast<int>(static_cast<const char*>(hit) - Data()) : -1;
}

int XString::FindFwd(const char* s, unsigned uiStart, unsigned uiCount) const {
    if (!s || !*s || uiStart >= m_Length || uiCount == 0) return -1;
    const uint32_t end = WindowEnd(m_Length, uiStart, uiCount);
    const std::string_view window(Data() + uiStart, end - uiStart);
    const size_t hit = window.find(s);
    return hit == std::string_view::npos ? -1 : static_cast<int>(uiStart + hit);
}

int XString::FindFwdNoCase(const char* s, unsigned uiStart, unsigned uiCount) const {
    if (!s || !*s || uiStart >= m_Length || uiCount == 0) return -1;
    const uint32_t end = WindowEnd(m_Length, uiStart, uiCount);
    const size_t n = std::strlen(s);
    if (n > end - uiStart) return -1;
    const char* d = Data();
    const char first = Lower(s[0]);
    for (uint32_t i = uiStart; i + n <= end; ++i) {
        if (Lower(d[i]) != first) continue;
        size_t k = 1;
        while (k < n && Lower(d[i + k]) == Lower(s[k])) ++k;
        if (k == n) return static_cast<int>(i);
    }
    return -1;
}

int XString::FindRev(char c, unsigned uiStart, unsigned uiCount) const {
    if (m_Length == 0 || uiCount == 0) return -1;
    const uint32_t from = uiStart >= m_Length ? m_Length - 1 : uiStart;
    const uint32_t lowest = from + 1 > uiCount ? from + 1 - uiCount : 0;
    const char* d = Data();
    for (uint32_t i = from + 1; i-- > lowest;)
        if (d[i] == c) return static_cast<int>(i);
    return -1;
}

int XString::FindAnyImpl(const char* set, unsigned uiStart, unsigned uiCount, bool noCase, int* pWhich) const {
    if (!set || uiStart >= m_Length || uiCount == 0) return -1;
    const uint32_t end = WindowEnd(m_Length, uiStart, uiCount);
    const size_t setLen = std::strlen(set);
    const char* d = Data();
    for (uint32_t i = uiStart; i < end; ++i)
        if (InSet(d[i], set, setLen, noCase, pWhich)) return static_cast<int>(i);
    return -1;
}

int XString::FindAnyFwd(const char* set, unsigned uiStart, unsigned uiCount, int* pWhich) const {
    return FindAnyImpl(set, uiStart, uiCount, false, pWhich);
}

int XString::FindAnyFwdNoCase(const char* set, unsigned uiStart, unsigned uiCount, int* pWhich) const {
    return FindAnyImpl(set, uiStart, uiCount, true, pWhich);
}

bool XString::ContainsFwdNoCase(const char* s, unsigned uiStart, unsigned uiCount) const {
    return FindFwdNoCase(s, uiStart, uiCount) >= 0;
}

unsigned XString::Count(char c) const {
    unsigned n = 0;
    const char* d = Data();
    for (uint32_t i = 0; i < m_Length; ++i) n += d[i] == c;
    return n;
}

unsigned XString::Count(const char* s) const {
    if (!s || !*s) return 0;
    const size_t len = std::strlen(s);
    unsigned n = 0;
    for (int at = FindFwd(s, 0); at >= 0; at = FindFwd(s, static_cast<unsigned>(at + len))) ++n;
    return n;
}

unsigned XString::CountAny(const char* set) const {
    if (!set) return 0;
    const size_t setLen = std::strlen(set);
    unsigned n = 0;
    const char* d = Data();
    for (uint32_t i = 0; i < m_Length; ++i) n += InSet(d[i], set, setLen, false, nullptr);
    return n;
}

// ---------------------------------------------------------------- cutting out

XString& XString::Scratch(const char* method) {
    if (!m_pScratch) {
        m_pScratch = new (std::nothrow) XString(false, false);
        if (!m_pScratch) {
            const std::string msg = Text("in ", method, " could not allocate memory return XString.");
            Throw(XERR_NO_MEMORY, msg.c_str());
        }
    }
    return *m_pScratch;
}

void XString::SetScratch(const char* method, const char* p, unsigned n) {
    XString& out = Scratch(method);
    try {
        out.AssignRaw(p, n);
    } catch (const XException& e) {
        Rewrap(e, method);
    }
}

XString& XString::Sub(unsigned uiStart, unsigned uiCount) {
    if (uiStart >= m_Length || uiCount == 0) {
        SetScratch("Sub", "", 0);
    } else {
        const uint32_t end = WindowEnd(m_Length, uiStart, uiCount);
        SetScratch("Sub", Data() + uiStart, end - uiStart);
    }
    return *m_pScratch;
}

XString& XString::SubBegFindFwd(char c) {
    const int at = FindFwd(c, 0);
    SetScratch("SubBegFindFwd", Data(), at < 0 ? m_Length : static_cast<unsigned>(at));
    return *m_pScratch;
}

XString& XString::SubEndFindFwd(char c) {
    const int at = FindFwd(c, 0);
    const unsigned from = at < 0 ? 0 : static_cast<unsigned>(at) + 1;
    SetScratch("SubEndFindFwd", Data() + from, m_Length - from);
    return *m_pScratch;
}

XString& XString::SubEndFindRev(char c) {
    const int at = FindRev(c, kRest, kRest);
    const unsigned from = at < 0 ? 0 : static_cast<unsigned>(at) + 1;
    SetScratch("SubEndFindRev", Data() + from, m_Length - from);
    return *m_pScratch;
}

XString& XString::SubBetweenFwd(const char* pcszBegin, const char* pcszEnd, unsigned uiStart) {
    unsigned from = 0, count = 0;
    if (pcszBegin && pcszEnd && uiStart < m_Length) {
        const int b = FindFwd(pcszBegin, uiStart);
        if (b >= 0) {
            from = static_cast<unsigned>(b) + static_cast<unsigned>(std::strlen(pcszBegin));
            const int e = FindFwd(pcszEnd, from);
            if (e >= 0) count = static_cast<unsigned>(e) - from;
        }
    }
    SetScratch("SubBetweenFwd", count ? Data() + from : "", count);
    return *m_pScratch;
}

XString& XString::SpanFwdIncludingNoCase(const char* set, unsigned uiStart, unsigned uiCount) {
    unsigned n = 0;
    if (set && uiStart < m_Length && uiCount) {
        const uint32_t end = WindowEnd(m_Length, uiStart, uiCount);
        const size_t setLen = std::strlen(set);
        const char* d = Data();
        while (uiStart + n < end && InSet(d[uiStart + n], set, setLen, true, nullptr)) ++n;
    }
    SetScratch("SpanFwdIncludingNoCase", n ? Data() + uiStart : "", n);
    return *m_pScratch;
}

// ---------------------------------------------------------------- splitting and replacing

XStringArray& XString::Split(const char* delimiter, unsigned maxParts) {
    if (!m_pSplit) {
        m_pSplit = new (std::nothrow) XStringArray;
        if (!m_pSplit) Throw(XERR_NO_MEMORY, "in Split could not allocate memory for return XStringArray.");
    }
    try {
        m_pSplit->Clear();
        const unsigned delimLen = delimiter ? static_cast<unsigned>(std::strlen(delimiter)) : 0;
        unsigned pieces = (delimLen ? Count(delimiter) : 0) + 1;
        if (maxParts && maxParts < pieces) pieces = maxParts;
        m_pSplit->GrowArray(pieces);
        XString piece(false, false);
        unsigned pos = 0, added = 0;
        for (;;) {
            const int hit = delimLen ? FindFwd(delimiter, pos) : -1;
            const unsigned end = hit < 0 ? m_Length : static_cast<unsigned>(hit);
            piece.AssignRaw(Data() + pos, end - pos);
            m_pSplit->Add(piece.GetBuffer(), 1, nullptr);
            ++added;
            if (hit < 0 || (maxParts && added >= maxParts)) break;
            pos = end + delimLen;
        }
    } catch (const XException& e) {
        Rewrap(e, "Split");
    }
    return *m_pSplit;
}

// Rebuilds the text with each listed occurrence (position, width) replaced by `with`.
namespace {
struct Span {
    uint32_t at, width;
};
}  // namespace

static void BuildReplaced(const char* data, uint32_t length, const std::vector<Span>& spans,
                          const char* with, uint32_t withLen, XString& out) {
    int64_t newLen = length;
    for (const Span& s : spans) newLen += static_cast<int64_t>(withLen) - s.width;
    if (newLen > static_cast<int64_t>(XString::kMaxLength))
        throw XException(XERR_NO_MEMORY, "XString", "in MakeSize could not allocate memory for temporary buffer.");
    out.MakeSize(static_cast<unsigned>(newLen));
    char* o = out.GetBuffer(0);
    uint32_t pos = 0;
    for (const Span& s : spans) {
        std::memcpy(o, data + pos, s.at - pos);
        o += s.at - pos;
        std::memcpy(o, with, withLen);
        o += withLen;
        pos = s.at + s.width;
    }
    std::memcpy(o, data + pos, length - pos);
    out.SetLength(static_cast<unsigned>(newLen));
}

void XString::ReplaceSpans(const char* what, unsigned whatLen, const char* with, unsigned withLen, bool anyOfSet,
                           unsigned uiStart, unsigned uiCount, const char* method) {
    try {
        std::vector<Span> spans;
        const char* d = Data();
        for (uint32_t i = uiStart; i < m_Length && spans.size() < uiCount;) {
            bool hit;
            if (anyOfSet) hit = InSet(d[i], what, whatLen, false, nullptr);
            else hit = i + whatLen <= m_Length && std::memcmp(d + i, what, whatLen) == 0;
            if (hit) {
                const uint32_t w = anyOfSet ? 1 : whatLen;
                spans.push_back(Span{i, w});
                i += w;
            } else {
                ++i;
            }
        }
        if (spans.empty()) return;
        const std::string withCopy(with ? with : "", withLen);  // `with` may live in our own buffer
        XString out(false, false);
        BuildReplaced(d, m_Length, spans, withCopy.data(), withLen, out);
        *this = std::move(out);
    } catch (const XException& e) {
        Rewrap(e, method);
    }
}

void XString::ReplaceFwd(char c, const char* pcszWith, unsigned uiStart, unsigned uiCount) {
    if (!c) return;
    const unsigned withLen = pcszWith ? static_cast<unsigned>(std::strlen(pcszWith)) : 0;
    ReplaceSpans(&c, 1, pcszWith, withLen, false, uiStart, uiCount, "ReplaceFwd");
}

void XString::ReplaceRev(char c, const char* pcszWith, unsigned uiStart, unsigned uiCount) {
    if (!c || !uiCount || !m_Length) return;
    // Walk back to the earliest of the last uiCount occurrences, then replace forwards from there.
    unsigned found = 0;
    int earliest = -1;
    unsigned from = uiStart >= m_Length ? m_Length - 1 : uiStart;
    for (;;) {
        const int at = FindRev(c, from, from + 1);
        if (at < 0) break;
        earliest = at;
        if (++found == uiCount || at == 0) break;
        from = static_cast<unsigned>(at) - 1;
    }
    if (earliest < 0) return;
    const unsigned withLen = pcszWith ? static_cast<unsigned>(std::strlen(pcszWith)) : 0;
    ReplaceSpans(&c, 1, pcszWith, withLen, false, static_cast<unsigned>(earliest), found, "ReplaceRev");
}

void XString::ReplaceAny(const char* pcszSet, const char* pcszWith) {
    if (!pcszSet || !*pcszSet) return;
    const unsigned withLen = pcszWith ? static_cast<unsigned>(std::strlen(pcszWith)) : 0;
    ReplaceSpans(pcszSet, static_cast<unsigned>(std::strlen(pcszSet)), pcszWith, withLen, true, 0, kMaxLength,
                 "ReplaceAny");
}

void XString::ReplaceEndsWith(char c, const char* pcszWith) {
    if (!EndsWith(c)) return;
    const unsigned withLen = pcszWith ? static_cast<unsigned>(std::strlen(pcszWith)) : 0;
    ReplaceSpans(&c, 1, pcszWith, withLen, false, m_Length - 1, 1, "ReplaceEndsWith");
}

void XString::Replace(char from, char to, unsigned uiStart, unsigned uiCount) {
    char* d = Data();
    unsigned done = 0;
    for (uint32_t i = uiStart; i < m_Length && done < uiCount; ++i)
        if (d[i] == from) {
            d[i] = to;
            ++done;
        }
}

void XString::ReplaceCharRev(char from, char to, unsigned uiStart, unsigned uiCount) {
    if (!m_Length) return;
    char* d = Data();
    unsigned done = 0;
    for (uint32_t i = (uiStart >= m_Length ? m_Length - 1 : uiStart) + 1; i-- > 0 && done < uiCount;)
        if (d[i] == from) {
            d[i] = to;
            ++done;
        }
}

void XString::RemoveString(const char* s) {
    if (!s || !*s) return;
    const size_t n = std::strlen(s);
    char* d = Data();
    uint32_t w = 0;
    for (uint32_t r = 0; r < m_Length;) {
        if (r + n <= m_Length && std::memcmp(d + r, s, n) == 0) {
            r += static_cast<uint32_t>(n);
        } else {
            d[w++] = d[r++];
        }
    }
    m_Length = w;
    d[w] = '\0';
}

void XString::RemoveChar(char c) {
    char* d = Data();
    uint32_t w = 0;
    for (uint32_t r = 0; r < m_Length; ++r)
        if (d[r] != c) d[w++] = d[r];
    m_Length = w;
    d[w] = '\0';
}

void XString::CollapseRepeats(char c) {
    char* d = Data();
    uint32_t w = 0;
    for (uint32_t r = 0; r < m_Length; ++r)
        if (!(d[r] == c && w > 0 && d[w - 1] == c)) d[w++] = d[r];
    m_Length = w;
    d[w] = '\0';
}

void XString::Delete(unsigned uiStart, unsigned uiCount) {
    if (uiStart >= m_Length || uiCount == 0) return;
    const uint32_t end = WindowEnd(m_Length, uiStart, uiCount);
    char* d = Data();
    std::memmove(d + uiStart, d + end, m_Length - end + 1);
    m_Length -= end - uiStart;
}

void XString::Truncate(unsigned uiPos) {
    if (uiPos >= m_Length) return;
    m_Length = uiPos;
    Data()[uiPos] = '\0';
}

void XString::TruncateAtFwd(char c) {
    const int at = FindFwd(c, 0);
    if (at >= 0) Truncate(static_cast<unsigned>(at));
}

namespace {
const char* const kBlanks = " \t\r\n";
}

void XString::TrimLeft(char c) {
    const char set[2] = {c, '\0'};
    TrimLeft(set);
}

void XString::TrimLeft(const char* set) {
    if (!set || !*set) return;
    const size_t setLen = std::strlen(set);
    const char* d = Data();
    uint32_t n = 0;
    while (n < m_Length && InSet(d[n], set, setLen, false, nullptr)) ++n;
    Delete(0, n);
}

void XString::TrimRight(char c) {
    const char set[2] = {c, '\0'};
    TrimRight(set);
}

void XString::TrimRight(const char* set) {
    if (!set || !*set) return;
    const size_t setLen = std::strlen(set);
    const char* d = Data();
    uint32_t n = m_Length;
    while (n > 0 && InSet(d[n - 1], set, setLen, false, nullptr)) --n;
    Truncate(n);
}

void XString::Trim(char c) {
    TrimRight(c);
    TrimLeft(c);
}

void XString::Trim(const char* set) {
    TrimRight(set);
    TrimLeft(set);
}

void XString::Trim() { Trim(kBlanks); }

void XString::TrimRightString(const char* s) {
    if (!s || !*s) return;
    const size_t n = std::strlen(s);
    while (EndsWith(s)) Truncate(m_Length - static_cast<unsigned>(n));
}

// ---------------------------------------------------------------- formatting

void XString::FormatImpl(bool append, const char* fmt, va_list args) {
    const char* badText = append ? "in FormatAppend failed probably because of a bad format string or an incorrect number of arguments."
                                 : "in Format failed probably because of a bad format string or an incorrect number of arguments.";
    const char* noMemory = "in MakeSize could not allocate memory for temporary buffer.";
    auto clearIfReplacing = [&] {
        if (append) return;
        ResetStats();
        m_Length = 0;
        Data()[0] = '\0';
    };
    if (!fmt) {
        clearIfReplacing();
        Throw(XERR_FORMAT, badText);
    }
    va_list measure;
    va_copy(measure, args);
    const int n = std::vsnprintf(nullptr, 0, fmt, measure);
    va_end(measure);
    if (n <= 0) {
        clearIfReplacing();
        if (n < 0) Throw(XERR_FORMAT, badText);
        return;
    }
    // Format into a buffer of its own first: the arguments may point into
    // this string's text ("s.Format("%s!", s.c_str())"), which must stay
    // intact and in place until the formatting has read it.
    struct FreeBuffer {
        void operator()(char* p) const { std::free(p); }
    };
    std::unique_ptr<char, FreeBuffer> tmp(static_cast<char*>(std::malloc(static_cast<size_t>(n) + 1)));
    if (!tmp) {
        const XException inner(XERR_NO_MEMORY, kClass, noMemory);
        if (append) throw inner;
        Rewrap(inner, "Format MakeSize");
    }
    if (std::vsnprintf(tmp.get(), static_cast<size_t>(n) + 1, fmt, args) != n) {
        clearIfReplacing();
        Throw(XERR_FORMAT, badText);
    }
    if (append) {
        AppendRaw(tmp.get(), static_cast<unsigned>(n), noMemory);  // grows like any other append
        return;
    }
    clearIfReplacing();
    try {
        MakeSize(static_cast<unsigned>(n));
    } catch (const XException& e) {
        Rewrap(e, "Format MakeSize");
    }
    std::memcpy(Data(), tmp.get(), static_cast<size_t>(n) + 1);
    m_Length = static_cast<uint32_t>(n);
}

void XString::FormatV(const char* fmt, va_list args) { FormatImpl(false, fmt, args); }

void XString::FormatAppendV(const char* fmt, va_list args) {
    try {
        FormatImpl(true, fmt, args);
    } catch (const XException& e) {
        if (e.GetCode() == XERR_FORMAT) throw;
        Rewrap(e, "FormatAppend");
    }
}

void XString::Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    try {
        FormatImpl(false, fmt, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
}

void XString::FormatAppend(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    try {
        FormatAppendV(fmt, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
}

// ---------------------------------------------------------------- error-message slot

const char* XString::GetErrorMessage() const { return m_pError ? m_pError->Data() : ""; }

void XString::ClearError() {
    if (m_pError) m_pError->AssignRaw("", 0);
}

bool XString::Fail(std::string_view text) { return Fail(text, std::string_view()); }

bool XString::Fail(std::string_view text, std::string_view more) {
    if (!(m_Flags & kFlagMessage)) return false;
    // The slot is made on its first use: most strings never fail.
    if (!m_pError) {
        m_pError = new (std::nothrow) XString(false, false);
        if (!m_pError) Throw(XERR_NO_MEMORY, "in Init could not allocate memory for message XString.");
    }
    m_pError->AssignRaw(text.data(), static_cast<unsigned>(text.size()));
    m_pError->AppendRaw(more.data(), static_cast<unsigned>(more.size()), kAppendFail);
    return false;
}

// ---------------------------------------------------------------- run log

void WriteRunLog(const XString& subject, const XString& message, bool startNew) {
    WriteRunLog(subject.View(), message.View(), startNew);
}

void WriteRunLog(const char* subject, const char* message, bool startNew) {
    WriteRunLog(std::string_view(subject ? subject : ""), std::string_view(message ? message : ""), startNew);
}
