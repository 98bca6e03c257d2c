// The stream cipher that keeps stored mail passwords unreadable in the
// settings file: RC4 with a 128-bit key, the MD5 hash of a pass phrase. Both
// platforms give the same bytes, so one settings file serves both programs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class PassPhraseCipher {
public:
    PassPhraseCipher();
    ~PassPhraseCipher();  // releases the key and the context
    PassPhraseCipher(const PassPhraseCipher&) = delete;
    PassPhraseCipher& operator=(const PassPhraseCipher&) = delete;

    // Derives the key from the pass phrase's bytes. On failure `error` says
    // what went wrong, lower case and ending in a full stop ("failed to hash
    // data."), for the caller to put behind its own name.
    bool Begin(const char* passPhrase, size_t length, std::string& error);
    // Enciphers (or deciphers: the same for a stream cipher, but the platform
    // is asked for the matching operation) `length` bytes in place. The key
    // stream runs on from block to block until a block marked final.
    bool Apply(uint8_t* data, size_t length, bool final, bool decrypt);

    struct Impl;

private:
    Impl* m_Impl;
};
