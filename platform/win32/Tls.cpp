// Placeholder until the Schannel session lands: every handshake fails with a
// clear text, so a pop3s:// or STLS account reports why instead of sending its
// password in clear text. The Schannel implementation replaces this file.
#include "platform/Tls.h"

struct PlatformTls::Impl {};

PlatformTls::PlatformTls() = default;
PlatformTls::~PlatformTls() = default;

PlatformTls::Result PlatformTls::Handshake(PlatformSocket&, const std::string&, const std::string&, const SocketStop&) {
    m_LastError = "TLS is not available in this build";
    return PlatformSocket::kFailed;
}

PlatformTls::Result PlatformTls::Send(const char*, size_t, size_t& sent, const SocketStop&) {
    sent = 0;
    m_LastError = "TLS is not available in this build";
    return PlatformSocket::kFailed;
}

PlatformTls::Result PlatformTls::Recv(char*, size_t, size_t& received, const SocketStop&) {
    received = 0;
    m_LastError = "TLS is not available in this build";
    return PlatformSocket::kFailed;
}

void PlatformTls::Close(const SocketStop&) {}

bool PlatformTls::IsEstablished() const { return false; }
