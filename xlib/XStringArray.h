// An XArray of XString with plain-text conveniences and an error-message slot
// of its own.
#pragma once

#include "xlib/XArray.h"
#include "xlib/XString.h"

#include <new>

class XStringArray : public XArray<XString> {
public:
    explicit XStringArray(unsigned growStep = 0) : XArray<XString>(growStep) {}
    XStringArray(const XStringArray& other) : XArray<XString>(other) { CopyError(other); }
    XStringArray& operator=(const XStringArray& other) {
        if (this != &other) {
            XArray<XString>::operator=(other);
            CopyError(other);
        }
        return *this;
    }
    ~XStringArray() override { delete m_pErrorMessage; }

    using XArray<XString>::Add;
    // Adds n copies of the text (a null text adds empty strings).
    void Add(const char* text, unsigned n = 1, int* pIndex = nullptr) {
        try {
            XString value(text ? text : "");
            XArray<XString>::Add(value, n, pIndex);
        } catch (const XException& e) {
            throw XException::Rewrap(e, "XStringArray", "Add");
        }
    }

    // The last error text stored with the array, or "" when there is none.
    const char* GetErrorMessage() const { return m_pErrorMessage ? m_pErrorMessage->c_str() : ""; }
    void SetErrorMessage(const char* text) {
        EnsureError();
        *m_pErrorMessage = text ? text : "";
    }

private:
    void EnsureError() {
        if (m_pErrorMessage) return;
        try {
            m_pErrorMessage = new XString();
        } catch (...) {
            m_pErrorMessage = nullptr;
            throw XException(XERR_NO_MEMORY, "XStringArray", "in = could not allocate memory for return error.");
        }
    }
    void CopyError(const XStringArray& other) {
        EnsureError();
        *m_pErrorMessage = other.GetErrorMessage();
    }

    XString* m_pErrorMessage = nullptr;
};
