#include "platform/Crypto.h"

#include <nettle/arcfour.h>
#include <nettle/md5.h>

#include "platform/linux/LateLibrary.h"

namespace {
// Nettle, loaded with the first pass phrase: only the mail accounts' stored
// passwords use it. Nettle's header names each call by a macro (md5_init for
// nettle_md5_init); the list's names expand to the real ones on their way
// in, so no prefix is added.
#define NETTLE_CALLS(X) X(md5_init) X(md5_update) X(md5_digest) X(arcfour_set_key) X(arcfour_crypt)
#define NETTLE_CALLS_MEMBER(name) MG_LATE_MEMBER(, name)
#define NETTLE_CALLS_BIND(name) MG_LATE_BIND(, name)
struct NettleCalls {
    NETTLE_CALLS(NETTLE_CALLS_MEMBER)
};

const NettleCalls* Nettle() {
    return LateCalls<NettleCalls>("libnettle.so.8",
                                  [](LateLibrary& lib, NettleCalls& calls) { NETTLE_CALLS(NETTLE_CALLS_BIND) });
}
#undef NETTLE_CALLS_BIND
#undef NETTLE_CALLS_MEMBER
#undef NETTLE_CALLS
}  // namespace

struct PassPhraseCipher::Impl {
    uint8_t key[MD5_DIGEST_SIZE];
    struct arcfour_ctx rc4;
    bool ready = false;
};

PassPhraseCipher::PassPhraseCipher() : m_Impl(new Impl) {}

PassPhraseCipher::~PassPhraseCipher() { delete m_Impl; }

bool PassPhraseCipher::Begin(const char* passPhrase, size_t length, std::string& error) {
    error.clear();
    const NettleCalls* nettle = Nettle();
    if (!nettle) {
        error = "the cipher library (libnettle.so.8) could not be loaded";
        return false;
    }
    struct md5_ctx md5;
    nettle->md5_init(&md5);
    nettle->md5_update(&md5, length, reinterpret_cast<const uint8_t*>(passPhrase));
    nettle->md5_digest(&md5, sizeof m_Impl->key, m_Impl->key);
    nettle->arcfour_set_key(&m_Impl->rc4, sizeof m_Impl->key, m_Impl->key);
    m_Impl->ready = true;
    return true;
}

bool PassPhraseCipher::Apply(uint8_t* data, size_t length, bool final, bool /*decrypt*/) {
    if (!m_Impl->ready) return false;
    // Ready only once Begin has loaded the library.
    if (length) Nettle()->arcfour_crypt(&m_Impl->rc4, length, data, data);
    // As the platform cipher does: a final block starts the key stream afresh.
    if (final) Nettle()->arcfour_set_key(&m_Impl->rc4, sizeof m_Impl->key, m_Impl->key);
    return true;
}
