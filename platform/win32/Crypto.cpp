#include "platform/win32/WinInclude.h"

#include <wincrypt.h>

#include "platform/Crypto.h"

struct PassPhraseCipher::Impl {
    HCRYPTPROV provider = 0;
    HCRYPTKEY key = 0;
};

PassPhraseCipher::PassPhraseCipher() : m_Impl(new Impl) {}

PassPhraseCipher::~PassPhraseCipher() {
    if (m_Impl->key) CryptDestroyKey(m_Impl->key);
    if (m_Impl->provider) CryptReleaseContext(m_Impl->provider, 0);
    delete m_Impl;
}

bool PassPhraseCipher::Begin(const char* passPhrase, size_t length, std::string& error) {
    error.clear();
    // No key container is needed for a key derived from a hash. Asking for the
    // default one fails for a user who has none (every new profile), so the
    // context is acquired without it.
    if (!CryptAcquireContextA(&m_Impl->provider, nullptr, MS_ENHANCED_PROV_A, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
        m_Impl->provider = 0;
        error = "failed to acquire context. ErrorCode=" + std::to_string(GetLastError());
        return false;
    }
    HCRYPTHASH hash = 0;
    if (!CryptCreateHash(m_Impl->provider, CALG_MD5, 0, 0, &hash)) {
        error = "failed to create hash.";
        return false;
    }
    bool ok = true;
    if (!CryptHashData(hash, reinterpret_cast<const BYTE*>(passPhrase), static_cast<DWORD>(length), 0)) {
        error = "failed to hash data.";
        ok = false;
    } else if (!CryptDeriveKey(m_Impl->provider, CALG_RC4, hash, 128u << 16, &m_Impl->key)) {
        m_Impl->key = 0;
        error = "failed to derive key.";
        ok = false;
    }
    CryptDestroyHash(hash);
    return ok;
}

bool PassPhraseCipher::Apply(uint8_t* data, size_t length, bool final, bool decrypt) {
    if (!m_Impl->key) return false;
    DWORD n = static_cast<DWORD>(length);
    if (decrypt) return CryptDecrypt(m_Impl->key, 0, final ? TRUE : FALSE, 0, data, &n) != FALSE;
    return CryptEncrypt(m_Impl->key, 0, final ? TRUE : FALSE, 0, data, &n, n) != FALSE;
}
