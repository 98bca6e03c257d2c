// TLS client sessions over an already connected PlatformSocket: Schannel on
// Windows, GnuTLS on Linux. Mail providers take POP3 only over TLS, so the
// mail client wraps its socket in one of these for pop3s:// and STLS.
//
// Every wait inside the handshake, a send or a receive also watches the
// SocketStop, so a stop cuts a stalled handshake short exactly as it does a
// plain read, and the socket's deadline bounds it as it bounds a plain read
// (a failure then, with the socket's TimedOut() true). After any failure the session is dead: nothing more is sent on
// the socket, in clear text or otherwise.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/Socket.h"

class PlatformTls {
public:
    using Result = PlatformSocket::Result;

    PlatformTls();
    ~PlatformTls();  // frees the session; the socket stays the caller's
    PlatformTls(const PlatformTls&) = delete;
    PlatformTls& operator=(const PlatformTls&) = delete;

    // Runs the client handshake on `socket` for server name `host` (also sent
    // as SNI). The server's certificate must chain to the system's trusted
    // roots or to a certificate in `extraTrustPemFile` (empty: none), and must
    // name `host`. On kFailed LastError says which step failed and why, with
    // one of the fixed phrases "certificate not trusted", "host name
    // mismatch" or "certificate expired" where the certificate is the cause.
    Result Handshake(PlatformSocket& socket, const std::string& host, const std::string& extraTrustPemFile,
                     const SocketStop& stop);

    // As PlatformSocket::Send/Recv, through the session. `received` 0 on kOk:
    // the peer closed the session.
    Result Send(const char* data, size_t length, size_t& sent, const SocketStop& stop);
    Result Recv(char* buffer, size_t capacity, size_t& received, const SocketStop& stop);

    // Says goodbye to the peer where the session is still good; never waits
    // longer than a stop allows.
    void Close(const SocketStop& stop);

    bool IsEstablished() const;
    const std::string& LastError() const { return m_LastError; }

    struct Impl;

private:
    std::unique_ptr<Impl> m_Impl;
    std::string m_LastError;
};
