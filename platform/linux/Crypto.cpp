#include "platform/Crypto.h"

#include <nettle/arcfour.h>
#include <nettle/md5.h>

struct PassPhraseCipher::Impl {
    uint8_t key[MD5_DIGEST_SIZE];
    struct arcfour_ctx rc4;
    bool ready = false;
};

PassPhraseCipher::PassPhraseCipher() : m_Impl(new Impl) {}

PassPhraseCipher::~PassPhraseCipher() { delete m_Impl; }

bool PassPhraseCipher::Begin(const char* passPhrase, size_t length, std::string& error) {
    error.clear();
    struct md5_ctx md5;
    md5_init(&md5);
    md5_update(&md5, length, reinterpret_cast<const uint8_t*>(passPhrase));
    md5_digest(&md5, sizeof m_Impl->key, m_Impl->key);
    arcfour_set_key(&m_Impl->rc4, sizeof m_Impl->key, m_Impl->key);
    m_Impl->ready = true;
    return true;
}

bool PassPhraseCipher::Apply(uint8_t* data, size_t length, bool final, bool /*decrypt*/) {
    if (!m_Impl->ready) return false;
    if (length) arcfour_crypt(&m_Impl->rc4, length, data, data);
    // As the platform cipher does: a final block starts the key stream afresh.
    if (final) arcfour_set_key(&m_Impl->rc4, sizeof m_Impl->key, m_Impl->key);
    return true;
}
