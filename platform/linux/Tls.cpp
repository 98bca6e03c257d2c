// GnuTLS behind PlatformTls. The library reads and writes through our own
// transport functions, which go through PlatformSocket: every wait there
// watches the socket and the SocketStop together, so a stop ends a stalled
// handshake or read at once. A stop makes the transport report EINTR, which
// GnuTLS passes back as GNUTLS_E_INTERRUPTED; the session is then dead.
#include "platform/Tls.h"

#include <arpa/inet.h>
#include <errno.h>
#include <gnutls/gnutls.h>
#include <gnutls/x509.h>
#include <sys/stat.h>

#include <mutex>

#include "platform/linux/LateLibrary.h"

namespace {
// GnuTLS, loaded with the first TLS session: only a mail check over TLS
// needs it, and linked it would start itself (and its PKCS #11 modules)
// in every run.
#define GNUTLS_CALLS(X) \
    X(bye) X(certificate_allocate_credentials) X(certificate_free_credentials) \
    X(certificate_set_x509_system_trust) X(certificate_set_x509_trust_file) X(credentials_set) X(deinit) \
    X(error_is_fatal) X(handshake) X(handshake_set_timeout) X(init) X(record_recv) X(record_send) \
    X(server_name_set) X(session_get_verify_cert_status) X(session_set_verify_cert) X(set_default_priority) \
    X(strerror) X(transport_set_errno) X(transport_set_ptr) X(transport_set_pull_function) \
    X(transport_set_pull_timeout_function) X(transport_set_push_function)
#define GNUTLS_CALLS_MEMBER(name) MG_LATE_MEMBER(gnutls_, name)
#define GNUTLS_CALLS_BIND(name) MG_LATE_BIND(gnutls_, name)
struct GnutlsCalls {
    GNUTLS_CALLS(GNUTLS_CALLS_MEMBER)
};

// Loaded once; null when the library cannot be had.
const GnutlsCalls* Gnutls() {
    return LateCalls<GnutlsCalls>("libgnutls.so.30", [](LateLibrary& lib, GnutlsCalls& calls) {
        GNUTLS_CALLS(GNUTLS_CALLS_BIND)
    });
}
#undef GNUTLS_CALLS_BIND
#undef GNUTLS_CALLS_MEMBER
#undef GNUTLS_CALLS
}  // namespace

namespace {
// The trusted certificates: the system's store (some 150 certificates, tens
// of milliseconds to read, and that read cannot be cut short) plus the extra
// file. Read once and shared by every session while the file stays the same.
struct Credentials {
    gnutls_certificate_credentials_t handle = nullptr;
    ~Credentials() {
        if (handle) Gnutls()->certificate_free_credentials(handle);
    }
};

std::shared_ptr<Credentials> SharedCredentials(const std::string& extraTrustPemFile, std::string& error) {
    static std::mutex lock;
    static std::string cachedKey;
    static std::shared_ptr<Credentials> cached;
    std::string key = extraTrustPemFile;
    struct stat info {};
    if (!extraTrustPemFile.empty() && stat(extraTrustPemFile.c_str(), &info) == 0)
        key += "|" + std::to_string(info.st_mtime) + "|" + std::to_string(info.st_size);
    std::lock_guard<std::mutex> hold(lock);
    if (cached && cachedKey == key) return cached;
    if (!Gnutls()) {
        error = "TLS setup failed: the TLS library (libgnutls.so.30) cannot be loaded";
        return nullptr;
    }
    auto made = std::make_shared<Credentials>();
    const int r = Gnutls()->certificate_allocate_credentials(&made->handle);
    if (r < 0) {
        made->handle = nullptr;
        error = std::string("TLS setup failed: ") + Gnutls()->strerror(r);
        return nullptr;
    }
    // A machine without a system store can still reach a server its extra
    // trust file vouches for; the certificate check says what is missing.
    Gnutls()->certificate_set_x509_system_trust(made->handle);
    if (!extraTrustPemFile.empty()) {
        const int n = Gnutls()->certificate_set_x509_trust_file(made->handle, extraTrustPemFile.c_str(), GNUTLS_X509_FMT_PEM);
        if (n <= 0) {
            error = "trusted certificate file " + extraTrustPemFile + ": no certificate could be read" +
                    (n < 0 ? std::string(" (") + Gnutls()->strerror(n) + ")" : std::string());
            return nullptr;
        }
    }
    cached = made;
    cachedKey = key;
    return made;
}
}  // namespace

struct PlatformTls::Impl {
    std::shared_ptr<Credentials> credentials;
    gnutls_session_t session = nullptr;
    PlatformSocket* socket = nullptr;
    const SocketStop* stop = nullptr;
    bool established = false;
    bool dead = false;
    bool stopped = false;
    std::string transportError;  // the socket's reason for the last transport failure

    ~Impl() {
        if (session) Gnutls()->deinit(session);
    }

    // Ready for a record call watching `s`; false with the reason when the
    // session is not (or no longer) usable.
    bool Begin(const SocketStop& s, std::string& error) {
        if (!established || dead) {
            error = "the TLS session is not established";
            return false;
        }
        stop = &s;
        return true;
    }

    // The end of a failed library call: stopped, or failed with the
    // library's reason and the socket's where there is one.
    PlatformSocket::Result Failed(const char* what, int code, std::string& error) {
        dead = true;
        if (stopped || stop->IsRaised()) return PlatformSocket::kStopped;
        error = std::string(what) + Gnutls()->strerror(code);
        if (!transportError.empty()) error += " (" + transportError + ")";
        return PlatformSocket::kFailed;
    }

    // What the transport functions make of one socket call's result.
    ssize_t Transported(PlatformSocket::Result r, size_t bytes) {
        if (r == PlatformSocket::kOk) return static_cast<ssize_t>(bytes);
        if (r == PlatformSocket::kStopped) {
            stopped = true;
            Gnutls()->transport_set_errno(session, EINTR);
        } else {
            transportError = socket->LastError();
            Gnutls()->transport_set_errno(session, EIO);
        }
        return -1;
    }
};

namespace {
ssize_t Push(gnutls_transport_ptr_t p, const void* data, size_t length) {
    auto* impl = static_cast<PlatformTls::Impl*>(p);
    size_t sent = 0;
    const auto r = impl->socket->Send(static_cast<const char*>(data), length, sent, *impl->stop);
    return impl->Transported(r, sent);
}

ssize_t Pull(gnutls_transport_ptr_t p, void* buffer, size_t capacity) {
    auto* impl = static_cast<PlatformTls::Impl*>(p);
    size_t received = 0;
    const auto r = impl->socket->Recv(static_cast<char*>(buffer), capacity, received, *impl->stop);
    return impl->Transported(r, received);
}

// GnuTLS asks this only when it wants to know whether data is waiting. The
// library's own time-outs stay off: the stop ends every wait, and the
// socket's deadline (PlatformSocket::SetDeadline) bounds it, so the answer
// is: wait for data, the stop or the deadline.
int PullTimeout(gnutls_transport_ptr_t p, unsigned int /*ms*/) {
    auto* impl = static_cast<PlatformTls::Impl*>(p);
    return static_cast<int>(impl->Transported(impl->socket->WaitReady(false, *impl->stop), 1));
}

bool IsIPv4Literal(const std::string& host) {
    in_addr address;
    return inet_pton(AF_INET, host.c_str(), &address) == 1;
}

// The fixed phrases for what the certificate check found, most telling first.
std::string CertificateProblems(unsigned status, const std::string& host) {
    std::string text;
    auto add = [&](const std::string& phrase) { text += (text.empty() ? "" : "; ") + phrase; };
    if (status & GNUTLS_CERT_SIGNER_NOT_FOUND)
        add("certificate not trusted (its issuer is not among the trusted certificates)");
    else if (status & (GNUTLS_CERT_SIGNER_NOT_CA | GNUTLS_CERT_SIGNER_CONSTRAINTS_FAILURE))
        add("certificate not trusted (its signer may not sign certificates)");
    else if (status & GNUTLS_CERT_SIGNATURE_FAILURE)
        add("certificate not trusted (its signature does not verify)");
    else if (status & GNUTLS_CERT_INSECURE_ALGORITHM)
        add("certificate not trusted (signed with an insecure algorithm)");
    else if (status & GNUTLS_CERT_REVOKED)
        add("certificate not trusted (revoked)");
    if (status & GNUTLS_CERT_EXPIRED) add("certificate expired");
    if (status & GNUTLS_CERT_NOT_ACTIVATED) add("certificate not yet valid");
    if (status & GNUTLS_CERT_UNEXPECTED_OWNER) add("host name mismatch (the certificate does not name " + host + ")");
    if (status & GNUTLS_CERT_PURPOSE_MISMATCH) add("certificate not meant for a server");
    if (text.empty()) add("certificate not trusted (check status " + std::to_string(status) + ")");
    return text;
}
}  // namespace

PlatformTls::PlatformTls() = default;
PlatformTls::~PlatformTls() = default;

PlatformTls::Result PlatformTls::Handshake(PlatformSocket& socket, const std::string& host,
                                           const std::string& extraTrustPemFile, const SocketStop& stop) {
    m_Impl = std::make_unique<Impl>();
    m_LastError.clear();
    Impl& s = *m_Impl;
    s.socket = &socket;
    s.stop = &stop;
    auto fail = [&](const std::string& why) {
        s.dead = true;
        m_LastError = why;
        return PlatformSocket::kFailed;
    };
    auto setup = [&](int r) { return r >= 0 ? "" : std::string("TLS setup failed: ") + Gnutls()->strerror(r); };

    std::string problem;
    s.credentials = SharedCredentials(extraTrustPemFile, problem);
    if (!s.credentials) return fail(problem);
    problem = setup(Gnutls()->init(&s.session, GNUTLS_CLIENT));
    if (problem.empty()) problem = setup(Gnutls()->set_default_priority(s.session));
    if (problem.empty()) problem = setup(Gnutls()->credentials_set(s.session, GNUTLS_CRD_CERTIFICATE, s.credentials->handle));
    // Server names go out as SNI; an address literal may not.
    if (problem.empty() && !IsIPv4Literal(host))
        problem = setup(Gnutls()->server_name_set(s.session, GNUTLS_NAME_DNS, host.data(), host.size()));
    if (!problem.empty()) return fail(problem);
    // The handshake itself checks the chain and the name, and ends with an
    // alert when either fails: no record is ever exchanged with a server that
    // was not verified.
    Gnutls()->session_set_verify_cert(s.session, host.c_str(), 0);
    Gnutls()->transport_set_ptr(s.session, &s);
    Gnutls()->transport_set_push_function(s.session, Push);
    Gnutls()->transport_set_pull_function(s.session, Pull);
    Gnutls()->transport_set_pull_timeout_function(s.session, PullTimeout);
    Gnutls()->handshake_set_timeout(s.session, 0);

    int r;
    do {
        r = Gnutls()->handshake(s.session);
    } while (r < 0 && !Gnutls()->error_is_fatal(r) && !s.stopped && r != GNUTLS_E_INTERRUPTED);
    if (r == GNUTLS_E_CERTIFICATE_VERIFICATION_ERROR && !s.stopped)
        return fail("certificate check failed: " +
                    CertificateProblems(Gnutls()->session_get_verify_cert_status(s.session), host));
    if (r < 0) return s.Failed("handshake failed: ", r, m_LastError);
    s.established = true;
    return PlatformSocket::kOk;
}

PlatformTls::Result PlatformTls::Send(const char* data, size_t length, size_t& sent, const SocketStop& stop) {
    sent = 0;
    if (!m_Impl || !m_Impl->Begin(stop, m_LastError)) return PlatformSocket::kFailed;
    Impl& s = *m_Impl;
    ssize_t n;
    do {
        n = Gnutls()->record_send(s.session, data, length);
    } while (n == GNUTLS_E_AGAIN && !s.stopped);
    if (n < 0) return s.Failed("TLS send failed: ", static_cast<int>(n), m_LastError);
    sent = static_cast<size_t>(n);
    return PlatformSocket::kOk;
}

PlatformTls::Result PlatformTls::Recv(char* buffer, size_t capacity, size_t& received, const SocketStop& stop) {
    received = 0;
    if (!m_Impl || !m_Impl->Begin(stop, m_LastError)) return PlatformSocket::kFailed;
    Impl& s = *m_Impl;
    for (;;) {
        const ssize_t n = Gnutls()->record_recv(s.session, buffer, capacity);
        if (n >= 0) {
            received = static_cast<size_t>(n);
            return PlatformSocket::kOk;
        }
        if (s.stopped) return s.Failed("", 0, m_LastError);
        // A server that drops the connection after its goodbye without a
        // closing alert: as on a plain connection, the peer closed.
        if (n == GNUTLS_E_PREMATURE_TERMINATION) return PlatformSocket::kOk;
        if (n == GNUTLS_E_AGAIN || n == GNUTLS_E_WARNING_ALERT_RECEIVED) continue;
        return s.Failed("TLS receive failed: ", static_cast<int>(n), m_LastError);
    }
}

void PlatformTls::Close(const SocketStop& stop) {
    std::string ignored;
    if (!m_Impl || !m_Impl->Begin(stop, ignored)) return;
    Impl& s = *m_Impl;
    // Our half of the closing alerts only: waiting for the server's would add
    // a round trip that tells us nothing.
    Gnutls()->bye(s.session, GNUTLS_SHUT_WR);
    s.established = false;
}

bool PlatformTls::IsEstablished() const { return m_Impl && m_Impl->established && !m_Impl->dead; }
