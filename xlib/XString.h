// XString: the byte string used for all text, paths, network data and binary
// buffers. Short texts (up to 64 characters) live in a built-in buffer; longer
// ones move to the heap for good, grown by a policy that learns from the
// appends it sees. Results of the Sub/Span family and of Split are owned by
// the string and overwritten by the next such call.
//
// Failures of resources, indexes, null arguments and formatting throw
// XException; failures of file, folder, registry, network and crypto
// operations return false and leave "Error: in XString::..." in the string's
// error-message slot (GetErrorMessage).
#pragma once

#include <cstdarg>
#include <cstdint>
#include <string_view>

#include "xlib/RunLog.h"
#include "xlib/XException.h"

class XStringArray;

#if defined(__GNUC__) && !defined(__clang__)
#define XSTRING_PRINTF(fmtIndex, firstArg) __attribute__((format(gnu_printf, fmtIndex, firstArg)))
#else
#define XSTRING_PRINTF(fmtIndex, firstArg)
#endif

class XString {
public:
    // Characters the built-in buffer holds (plus its terminating NUL).
    static constexpr unsigned kBuiltInChars = 64;
    // What callers pass as a count to mean "to the end of the string".
    static constexpr unsigned kRest = 0x80000000u;
    // The longest text a string may hold; larger requests fail as out of memory.
    static constexpr unsigned kMaxLength = 0x7FFFFFFFu;
    // ReadFile/WriteFile mode: binary transfer of exactly the content's length.
    static constexpr int kModeBinary = 4;

    // ---- construction and assignment ----
    XString();
    // The error-message slot is created only when bMessage is true; the second flag has no effect.
    XString(bool bMessage, bool bUnused);
    XString(const XString& other);
    XString(XString&& other) noexcept;
    XString(const char* text);
    XString(char c);
    XString(int value);
    XString(unsigned int value);
    XString(long value);
    XString(unsigned long value);
    XString(long long value);
    XString(unsigned long long value);
    virtual ~XString();

    XString& operator=(const char* text);
    XString& operator=(const XString& other);
    XString& operator=(XString&& other) noexcept;
    XString& operator=(char c);
    XString& operator=(int value);
    XString& operator=(unsigned int value);
    XString& operator=(long value);
    XString& operator=(unsigned long value);
    XString& operator=(long long value);
    XString& operator=(unsigned long long value);

    // Copies `length` bytes (-1: up to the NUL). A null text leaves the string unchanged.
    void SetData(const char* text, int length = -1);

    // ---- append and insert ----
    XString& operator+=(const char* text);  // null does nothing
    XString& operator+=(const XString& other);
    XString& operator+=(char c);

    void Append(char c);  // NUL does nothing
    void Append(char c, unsigned n);
    // The first maxChars characters of s (fewer if s is shorter), `times` times.
    void Append(const char* s, unsigned times = 1, unsigned maxChars = 0xFFFFFFFFu);
    void Append(const XString& s);
    void Append(unsigned short value);
    void Append(int value);
    void Append(unsigned int value);
    void Append(long value);
    void Append(unsigned long value);
    void Append(long long value);
    void Append(unsigned long long value);
    void Append(bool value);  // "true" / "false"
    // n raw bytes (NUL allowed), then a terminating NUL.
    void AppendData(const void* bytes, unsigned n);
    // n copies of c, unless the string already ends with c.
    void AppendNoExist(char c, unsigned n = 1);

    // n copies of s before uiPos; uiPos at or past the end appends them.
    void Insert(const char* s, unsigned uiPos, unsigned n = 1);
    void Insert(char c, unsigned uiPos, unsigned n = 1);
    void PadLeft(char c, unsigned width);
    void PadRight(char c, unsigned width);

    // Room for n characters plus the NUL; the text is kept. Used before
    // writing straight into GetBuffer(); follow it with SetLength.
    void MakeSize(unsigned n);
    // Sets the length after writing into the buffer (n must fit the room made).
    void SetLength(unsigned n);

    // ---- access and conversion ----
    unsigned GetLength() const { return m_Length; }
    bool IsEmpty() const { return m_Length == 0; }
    // Pointer to the character at uiIndex, clamped to the terminating NUL.
    char* GetBuffer(unsigned uiIndex = 0);
    const char* GetBuffer(unsigned uiIndex = 0) const;
    const char* c_str() const { return Data(); }
    std::string_view View() const { return std::string_view(Data(), m_Length); }
    operator std::string_view() const { return View(); }
    // Index must be below the length, else XException code 2.
    char& operator[](unsigned uiIndex);
    const char& operator[](unsigned uiIndex) const;
    int ToInt(unsigned uiIndex = 0) const;
    double ToDouble(unsigned uiIndex = 0) const;
    // True when the four characters at uiIndex are "true" in any letter case.
    bool IsTrue(unsigned uiIndex = 0) const;
    void MakeLower();
    // Heap capacity in bytes (NUL included), or 65 while the text is built-in.
    unsigned GetCapacity() const;
    bool IsBuiltIn() const { return m_pHeap == nullptr; }

    // Growth statistics since the last assignment.
    float GetAverageAppendSize() const { return m_AvgAppend; }
    unsigned GetGrowthCount() const { return m_GrowthCount; }
    unsigned GetAppendCount() const { return m_AppendCount; }

    // ---- comparison ----
    bool operator==(const char* pcsz) const;  // null throws code 3
    bool operator==(const XString& other) const;
    bool operator!=(const char* pcsz) const { return !(*this == pcsz); }
    bool operator!=(const XString& other) const { return !(*this == other); }
    // -1, 0 or 1 (see docs/xstring.md); the NoCase form returns the signed
    // difference of the first differing letters.
    int Compare(const char* pcszCompareTo, unsigned uiCompareToIndex = 0, unsigned uiSrcIndex = 0,
                unsigned uiCount = 0xFFFFFFFFu) const;
    int Compare(const XString& compareTo, unsigned uiCompareToIndex = 0, unsigned uiSrcIndex = 0,
                unsigned uiCount = 0xFFFFFFFFu) const;
    int CompareNoCase(const char* pcszCompareTo, unsigned uiCompareToIndex = 0, unsigned uiSrcIndex = 0,
                      unsigned uiCount = 0xFFFFFFFFu) const;
    int CompareNoCase(const XString& compareTo, unsigned uiCompareToIndex = 0, unsigned uiSrcIndex = 0,
                      unsigned uiCount = 0xFFFFFFFFu) const;
    bool BeginsWith(const char* s) const;
    bool EndsWith(char c) const;
    bool EndsWith(const char* s) const;
    bool EndsWithNoCase(const char* s) const;

    // ---- search: index of the match or -1; window [uiStart, uiStart + uiCount) ----
    int FindFwd(char c, unsigned uiStart = 0, unsigned uiCount = kRest) const;
    int FindFwd(const char* s, unsigned uiStart = 0, unsigned uiCount = kRest) const;
    int FindFwdNoCase(const char* s, unsigned uiStart = 0, unsigned uiCount = kRest) const;
    // Last c at or before uiStart (past the end: the last character), over at most uiCount characters.
    int FindRev(char c, unsigned uiStart = kRest, unsigned uiCount = kRest) const;
    // First character that belongs to `set`; *pWhich gets its position in the set.
    int FindAnyFwd(const char* set, unsigned uiStart = 0, unsigned uiCount = kRest, int* pWhich = nullptr) const;
    int FindAnyFwdNoCase(const char* set, unsigned uiStart = 0, unsigned uiCount = kRest,
                         int* pWhich = nullptr) const;
    bool ContainsFwdNoCase(const char* s, unsigned uiStart = 0, unsigned uiCount = kRest) const;
    unsigned Count(char c) const;
    unsigned Count(const char* s) const;  // matches do not overlap
    unsigned CountAny(const char* set) const;

    // ---- cutting out: each returns the string's own scratch result ----
    XString& Sub(unsigned uiStart, unsigned uiCount = kRest);
    XString& SubBegFindFwd(char c);  // before the first c (whole string without one)
    XString& SubEndFindFwd(char c);  // after the first c (whole string without one)
    XString& SubEndFindRev(char c);  // after the last c (whole string without one)
    // Between the first pcszBegin at or after uiStart and the first pcszEnd after it; else empty.
    XString& SubBetweenFwd(const char* pcszBegin, const char* pcszEnd, unsigned uiStart = 0);
    XString& SpanFwdIncludingNoCase(const char* set, unsigned uiStart = 0, unsigned uiCount = kRest);

    // ---- splitting and replacing ----
    // Pieces between delimiters into the string's own array; maxParts 0 = no limit.
    XStringArray& Split(const char* delimiter, unsigned maxParts = 0);
    void ReplaceFwd(char c, const char* pcszWith, unsigned uiStart = 0, unsigned uiCount = kRest);
    void ReplaceRev(char c, const char* pcszWith, unsigned uiStart = kRest, unsigned uiCount = kRest);
    void ReplaceAny(const char* pcszSet, const char* pcszWith);
    void ReplaceEndsWith(char c, const char* pcszWith);
    void Replace(char from, char to, unsigned uiStart = 0, unsigned uiCount = kRest);
    void ReplaceCharRev(char from, char to, unsigned uiStart = kRest, unsigned uiCount = kRest);
    void RemoveString(const char* s);
    void RemoveChar(char c);
    void CollapseRepeats(char c);
    void Delete(unsigned uiStart, unsigned uiCount = kRest);
    void Truncate(unsigned uiPos);
    void TruncateAtFwd(char c);
    void TrimLeft(char c);
    void TrimLeft(const char* set);
    void TrimRight(char c);
    void TrimRight(const char* set);
    void Trim(char c);
    void Trim(const char* set);
    void Trim();  // blanks, tabs, CR and LF
    void TrimRightString(const char* s);

    // ---- formatting (printf-style) ----
    void Format(const char* fmt, ...) XSTRING_PRINTF(2, 3);
    void FormatAppend(const char* fmt, ...) XSTRING_PRINTF(2, 3);
    void FormatV(const char* fmt, va_list args);
    void FormatAppendV(const char* fmt, va_list args);

    // ---- error-message slot ----
    // The last failure text, or "" when the string has no slot.
    const char* GetErrorMessage() const;

    // ---- files, folders and system facts (false + error text on failure) ----
    bool ReadFile(const char* filename, int mode = kModeBinary);
    bool WriteFile(const char* filename, bool bCreatePathNoExist = false, int mode = kModeBinary);
    // This string names the source; the target is overwritten when bOverwrite.
    bool CopyFile(const char* pcszCopyToFileName, bool bCreatePathNoExist = false, bool bOverwrite = true);
    bool DeleteFile();
    bool CreateDirectory();
    bool PathExists() const;
    bool FileExists() const;
    bool GetWindowsDirectory();
    bool CreateGuid(bool bRemoveDashes = false);
    bool ReadRegistryValue(const char* pcszPath);

    // ---- time text (xlib/XDateTime.cpp) ----
    // The current time, UTC or local, in an XDateTime pattern (null: the
    // default pattern); false + error text when the pattern is not understood.
    bool GetTime(const char* format = nullptr, bool bUTC = false);

    // ---- stored passwords (xlib/XStringCrypt.cpp) ----
    // Algorithm 2: RC4 keyed with the MD5 hash of the pass phrase. Any other
    // algorithm, and an empty string, leave the string as it is (true). The
    // ciphertext is binary; the length counts its NUL bytes.
    bool Encrypt(const char* password, int algorithm);
    bool Decrypt(const char* password, int algorithm);
    // Standard Base64 with "=" padding and no line breaks; decoding stops at
    // the first "=" or character outside the alphabet.
    void EncodeBase64();
    void DecodeBase64();

    // ---- the web (xlib/XStringDownload.cpp) ----
    // GET of url into this string: the body's bytes, NULs kept, preceded by the
    // raw response headers and "\r\n***END OF HEADERS***\r\n" when asked.
    // Any HTTP status but an unanswered 401/407 is a success with the body the
    // server sent. False + error text on failure, also when the thread's
    // DownloadStop (platform/Download.h) is requested.
    bool DownloadFile(const char* url, bool bIncludeHeaders = false, const char* username = nullptr,
                      const char* password = nullptr, const char* agentName = nullptr, const char* proxy = nullptr,
                      bool bSecure = false, bool bPromptForAuth = false);
    // Encodes the string for a query: blank "+", letters and digits kept,
    // "&-./:;=?@_" kept unless bStrict, every other byte "%XX".
    void UrlEncode(bool bStrict = false);

private:
    const char* Data() const { return m_pHeap ? m_pHeap : m_Local; }
    char* Data() { return m_pHeap ? m_pHeap : m_Local; }
    void InitMessage();
    void ResetStats();
    // Capacity for n characters with the extra the growth policy gives.
    unsigned GrowthExtra() const;
    // Makes room for n characters; copies the text over. countGrowth: an append-driven growth.
    bool Reserve(unsigned n, bool countGrowth, bool withExtra);
    void AppendRaw(const char* p, unsigned n, const char* failText);
    void AssignRaw(const char* p, unsigned n);
    void NoteAppend(unsigned n);
    XString& Scratch(const char* method);
    void SetScratch(const char* method, const char* p, unsigned n);
    void ReplaceSpans(const char* what, unsigned whatLen, const char* with, unsigned withLen, bool anyOfSet,
                      unsigned uiStart, unsigned uiCount, const char* method);
    int CompareImpl(const char* other, unsigned otherLen, unsigned uiCompareToIndex, unsigned uiSrcIndex,
                    unsigned uiCount, bool noCase) const;
    void FormatImpl(bool append, const char* fmt, va_list args);
    bool Cipher(const char* password, int algorithm, bool decrypt);
    int FindAnyImpl(const char* set, unsigned uiStart, unsigned uiCount, bool noCase, int* pWhich) const;
    void ClearError();
    bool Fail(std::string_view text);
    bool Fail(std::string_view text, std::string_view more);
    static void Throw(uint32_t code, const char* message);

    char* m_pHeap = nullptr;
    char m_Local[kBuiltInChars + 1];
    uint32_t m_Length = 0;
    uint32_t m_Capacity = 0;
    uint8_t m_Flags = 0;
    XString* m_pScratch = nullptr;
    XStringArray* m_pSplit = nullptr;
    XString* m_pError = nullptr;
    float m_AvgAppend = 64.0f;
    uint32_t m_GrowthCount = 0;
    uint32_t m_AppendCount = 0;
};

// The run log with XString texts; forwards to the string_view writer in RunLog.h.
void WriteRunLog(const XString& subject, const XString& message, bool startNew = false);
// Two plain texts: chosen over both the XString and the string_view forms, so
// calls with literals are never ambiguous.
void WriteRunLog(const char* subject, const char* message, bool startNew = false);
