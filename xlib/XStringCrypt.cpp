// Stored passwords: a stream cipher keyed from a pass phrase, and Base64 to
// keep the ciphertext printable in the settings file.
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "platform/Crypto.h"
#include "xlib/XString.h"

namespace {
constexpr unsigned kBlock = 1000;
constexpr unsigned kBlockBuffer = 1008;
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}
}  // namespace

bool XString::Encrypt(const char* password, int algorithm) { return Cipher(password, algorithm, false); }

bool XString::Decrypt(const char* password, int algorithm) { return Cipher(password, algorithm, true); }

bool XString::Cipher(const char* password, int algorithm, bool decrypt) {
    const std::string op = decrypt ? "Decrypt" : "Encrypt";
    const std::string prefix = "Error: in XString::" + op;
    ClearError();
    if (!password) return Fail(prefix + " password is NULL.");
    if (algorithm != 2 || m_Length == 0) return true;

    PassPhraseCipher cipher;
    std::string error;
    if (!cipher.Begin(password, std::strlen(password), error)) return Fail(prefix + " ", error);
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kBlockBuffer]);
    if (!buffer) Throw(XERR_NO_MEMORY, ("in " + op + " could not allocate memory for byte buffer.").c_str());

    XString result(false, false);
    const char* data = Data();
    // A length that is a whole number of blocks ends with an empty final block.
    for (unsigned at = 0;; at += kBlock) {
        const unsigned n = m_Length - at < kBlock ? m_Length - at : kBlock;
        const bool final = n < kBlock;
        std::memcpy(buffer.get(), data + at, n);
        if (!cipher.Apply(buffer.get(), n, final, decrypt))
            return Fail(prefix + (decrypt ? " failed to decrypt data." : " failed to encrypt data."));
        try {
            result.AppendData(buffer.get(), n);
        } catch (const XException& e) {
            throw XException::Rewrap(e, "XString", (op + " AppendData").c_str());
        }
        if (final) break;
    }
    try {
        *this = result;
    } catch (const XException& e) {
        throw XException::Rewrap(e, "XString", op.c_str(), decrypt ? "at final copy" : "on final copy");
    }
    return true;
}

void XString::EncodeBase64() {
    try {
        const unsigned char* in = reinterpret_cast<const unsigned char*>(Data());
        XString out(false, false);
        out.MakeSize(((m_Length + 2) / 3) * 4);
        char quad[4];
        for (unsigned i = 0; i < m_Length; i += 3) {
            const unsigned left = m_Length - i;
            const unsigned v = (in[i] << 16) | (left > 1 ? in[i + 1] << 8 : 0) | (left > 2 ? in[i + 2] : 0);
            quad[0] = kAlphabet[(v >> 18) & 63];
            quad[1] = kAlphabet[(v >> 12) & 63];
            quad[2] = left > 1 ? kAlphabet[(v >> 6) & 63] : '=';
            quad[3] = left > 2 ? kAlphabet[v & 63] : '=';
            out.AppendData(quad, 4);
        }
        *this = out;
    } catch (const XException& e) {
        throw XException::Rewrap(e, "XString", "EncodeBase64");
    }
}

void XString::DecodeBase64() {
    try {
        const char* in = Data();
        XString out(false, false);
        out.MakeSize(m_Length / 4 * 3 + 3);
        unsigned v = 0, n = 0;
        for (unsigned i = 0; i < m_Length; ++i) {
            const int d = Base64Value(in[i]);
            if (d < 0) break;  // "=", a line end or anything else ends the text
            v = (v << 6) | static_cast<unsigned>(d);
            if (++n == 4) {
                const char bytes[3] = {static_cast<char>(v >> 16), static_cast<char>(v >> 8), static_cast<char>(v)};
                out.AppendData(bytes, 3);
                v = n = 0;
            }
        }
        if (n >= 2) {
            // n characters carry n - 1 whole bytes; the spare bits are dropped.
            v <<= 6 * (4 - n);
            const char bytes[2] = {static_cast<char>(v >> 16), static_cast<char>(v >> 8)};
            out.AppendData(bytes, n - 1);
        }
        *this = out;
    } catch (const XException& e) {
        throw XException::Rewrap(e, "XString", "DecodeBase64");
    }
}
