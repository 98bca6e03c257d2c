// Fuzz target: an account's server text, as a settings file may hold any
// bytes there. Parsing must never crash, and what it accepts must be usable.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "xlib/XEmail.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    XString text;
    text.SetData(reinterpret_cast<const char*>(data), static_cast<int>(size));
    XPop3Server server;
    XString error;
    if (XPop3Server::Parse(text, server, error)) {
        if (server.Host.IsEmpty() || server.Port < 1 || server.Port > 65535 || !error.IsEmpty()) std::abort();
    } else if (error.IsEmpty()) {
        std::abort();
    }
    return 0;
}
