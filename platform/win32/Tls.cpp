// Schannel through SSPI. Schannel only turns bytes into records and back; the
// socket reads and writes are ours (PlatformSocket, whose waits watch the
// stop), and so is the check of the server's certificate: the credentials ask
// for manual validation, and after the handshake the chain is built and
// judged here, against the system's roots plus the caller's extra PEM file.
#include "platform/win32/WinInclude.h"

#define SECURITY_WIN32
#define SCHANNEL_USE_BLACKLISTS
#include <winternl.h>
#include <wincrypt.h>
#include <security.h>
#include <schannel.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/Tls.h"

namespace {
// A record never exceeds 16 KiB plus its overhead; the handshake's messages
// arrive in records too. Far more than that unread means a broken peer.
constexpr size_t kMaxPending = 1 << 20;
constexpr size_t kReadPiece = 16 * 1024 + 512;
// WinINet's name for the SSL policy's "unknown root is fine" check.
constexpr DWORD kIgnoreUnknownCa = 0x00000100;
constexpr DWORD kIgnoreNameMismatch = 0x00001000;
constexpr PlatformSocket::Result kOk = PlatformSocket::kOk;
constexpr PlatformSocket::Result kFailed = PlatformSocket::kFailed;
constexpr PlatformSocket::Result kStopped = PlatformSocket::kStopped;

std::string Hex(SECURITY_STATUS status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(status));
    return text;
}

// The SSPI failures a user is likely to meet, in words; the hex stays beside
// them for a search.
std::string StatusText(const char* call, SECURITY_STATUS status) {
    const char* words = nullptr;
    switch (status) {
        case SEC_E_ALGORITHM_MISMATCH: words = "no protocol version or cipher in common with the server"; break;
        case SEC_E_ILLEGAL_MESSAGE: words = "the server sent a message that is not TLS or refused ours"; break;
        case SEC_E_INVALID_TOKEN: words = "the server sent data that is not a TLS record"; break;
        case SEC_E_UNSUPPORTED_FUNCTION: words = "the requested protocol version is not supported"; break;
        case SEC_E_MESSAGE_ALTERED: words = "a record failed its integrity check"; break;
        case SEC_E_DECRYPT_FAILURE: words = "a record could not be decrypted"; break;
        case SEC_E_INTERNAL_ERROR: words = "internal error of the TLS library"; break;
        case SEC_E_NO_CREDENTIALS: words = "no credentials"; break;
        case SEC_E_WRONG_PRINCIPAL: words = "host name mismatch"; break;
        default: break;
    }
    std::string text = std::string(call) + " " + Hex(status);
    if (words) text += std::string(" (") + words + ")";
    return text;
}

// The start of what a server sent, for an error text: its first line, with
// anything unprintable as '?'.
std::string Printable(const std::vector<char>& bytes) {
    std::string text;
    for (char c : bytes) {
        if (c == '\r' || c == '\n' || text.size() >= 60) break;
        text += c >= 32 && c < 127 ? c : '?';
    }
    return text;
}

// Every certificate in a PEM file, in DER. Text around the blocks (names,
// comments) is skipped, as the tools that write such files put it there.
bool ReadPemCertificates(const std::string& path, std::vector<std::vector<BYTE>>& out, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "the trusted certificate file " + path + " cannot be read";
        return false;
    }
    std::stringstream all;
    all << file.rdbuf();
    const std::string text = all.str();
    static const char kBegin[] = "-----BEGIN CERTIFICATE-----";
    static const char kEnd[] = "-----END CERTIFICATE-----";
    for (size_t at = text.find(kBegin); at != std::string::npos; at = text.find(kBegin, at)) {
        const size_t end = text.find(kEnd, at);
        if (end == std::string::npos) break;
        const std::string block = text.substr(at, end + sizeof kEnd - 1 - at);
        at = end;
        DWORD size = 0;
        if (!CryptStringToBinaryA(block.c_str(), static_cast<DWORD>(block.size()), CRYPT_STRING_BASE64HEADER, nullptr,
                                  &size, nullptr, nullptr) ||
            size == 0) {
            error = "trusted certificate file " + path + ": no certificate could be read (a block is not Base64)";
            return false;
        }
        std::vector<BYTE> der(size);
        if (!CryptStringToBinaryA(block.c_str(), static_cast<DWORD>(block.size()), CRYPT_STRING_BASE64HEADER,
                                  der.data(), &size, nullptr, nullptr)) {
            error = "trusted certificate file " + path + ": no certificate could be read (a block is not Base64)";
            return false;
        }
        der.resize(size);
        out.push_back(std::move(der));
    }
    if (out.empty()) {
        error = "trusted certificate file " + path + ": no certificate could be read";
        return false;
    }
    return true;
}

// The four bytes of a dotted IPv4 address; false for anything else (a name).
bool ParseIPv4(const std::string& host, BYTE (&out)[4]) {
    unsigned parts[4];
    char tail;
    if (std::sscanf(host.c_str(), "%3u.%3u.%3u.%3u%c", &parts[0], &parts[1], &parts[2], &parts[3], &tail) != 4)
        return false;
    for (int i = 0; i < 4; ++i) {
        if (parts[i] > 255) return false;
        out[i] = static_cast<BYTE>(parts[i]);
    }
    return true;
}

// Whether the certificate's alternative names hold IP address `host`. The SSL
// policy compares names only (Wine's at least), so a server reached by its
// address is matched here.
bool NamesAddress(PCCERT_CONTEXT cert, const std::string& host) {
    BYTE address[4];
    if (!ParseIPv4(host, address)) return false;
    const CERT_INFO* info = cert->pCertInfo;
    PCERT_EXTENSION ext = CertFindExtension(szOID_SUBJECT_ALT_NAME2, info->cExtension, info->rgExtension);
    if (!ext) return false;
    CERT_ALT_NAME_INFO* names = nullptr;
    DWORD size = 0;
    if (!CryptDecodeObjectEx(X509_ASN_ENCODING, X509_ALTERNATE_NAME, ext->Value.pbData, ext->Value.cbData,
                             CRYPT_DECODE_ALLOC_FLAG, nullptr, &names, &size))
        return false;
    bool found = false;
    for (DWORD i = 0; i < names->cAltEntry && !found; ++i) {
        const CERT_ALT_NAME_ENTRY& e = names->rgAltEntry[i];
        found = e.dwAltNameChoice == CERT_ALT_NAME_IP_ADDRESS && e.IPAddress.cbData == 4 &&
                std::memcmp(e.IPAddress.pbData, address, 4) == 0;
    }
    LocalFree(names);
    return found;
}

// Which end of its validity a certificate in the chain is past.
std::string TimeFault(PCCERT_CHAIN_CONTEXT chain) {
    for (DWORD c = 0; c < chain->cChain; ++c)
        for (DWORD e = 0; e < chain->rgpChain[c]->cElement; ++e) {
            const CERT_CHAIN_ELEMENT* element = chain->rgpChain[c]->rgpElement[e];
            if (element->TrustStatus.dwErrorStatus & CERT_TRUST_IS_NOT_TIME_VALID)
                return CertVerifyTimeValidity(nullptr, element->pCertContext->pCertInfo) < 0
                           ? "certificate not yet valid"
                           : "certificate expired";
        }
    return "certificate expired";
}

struct StoreCloser {
    HCERTSTORE store;
    ~StoreCloser() {
        if (store) CertCloseStore(store, 0);
    }
};

struct ChainFreer {
    PCCERT_CHAIN_CONTEXT chain;
    ~ChainFreer() {
        if (chain) CertFreeCertificateChain(chain);
    }
};

// Empty when `server` may be trusted for `host`; otherwise why not, with the
// fixed phrases the mail page and the run log show.
std::string CheckCertificate(PCCERT_CONTEXT server, const std::string& host,
                             const std::vector<std::vector<BYTE>>& extraTrust) {
    StoreCloser extra{CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr)};
    StoreCloser pool{CertOpenStore(CERT_STORE_PROV_COLLECTION, 0, 0, 0, nullptr)};
    if (!extra.store || !pool.store)
        return "cannot open a certificate store (error " + std::to_string(GetLastError()) + ")";
    for (const auto& der : extraTrust)
        if (!CertAddEncodedCertificateToStore(extra.store, X509_ASN_ENCODING, der.data(),
                                              static_cast<DWORD>(der.size()), CERT_STORE_ADD_ALWAYS, nullptr))
            return "trusted certificate file: a certificate in it could not be read";
    // The intermediates the server sent travel in the certificate's own store.
    CertAddStoreToCollection(pool.store, extra.store, 0, 0);
    if (server->hCertStore) CertAddStoreToCollection(pool.store, server->hCertStore, 0, 0);

    LPSTR usages[] = {const_cast<LPSTR>(szOID_PKIX_KP_SERVER_AUTH)};
    CERT_CHAIN_PARA para{};
    para.cbSize = sizeof para;
    para.RequestedUsage.dwType = USAGE_MATCH_TYPE_OR;
    para.RequestedUsage.Usage.cUsageIdentifier = 1;
    para.RequestedUsage.Usage.rgpszUsageIdentifier = usages;
    ChainFreer chain{nullptr};
    if (!CertGetCertificateChain(nullptr, server, nullptr, pool.store, &para, 0, nullptr, &chain.chain) || !chain.chain)
        return "cannot build the certificate chain (error " + std::to_string(GetLastError()) + ")";

    const DWORD status = chain.chain->TrustStatus.dwErrorStatus;
    if (status & CERT_TRUST_IS_NOT_TIME_VALID) return TimeFault(chain.chain);
    // The extra file is a trust anchor: a chain that ends exactly at one of
    // its certificates is as good as one ending at a system root. Nothing
    // else about the chain is forgiven.
    bool anchored = false;
    if (chain.chain->cChain > 0) {
        const CERT_SIMPLE_CHAIN* simple = chain.chain->rgpChain[0];
        if (simple->cElement > 0) {
            PCCERT_CONTEXT top = simple->rgpElement[simple->cElement - 1]->pCertContext;
            PCCERT_CONTEXT found =
                CertFindCertificateInStore(extra.store, X509_ASN_ENCODING, 0, CERT_FIND_EXISTING, top, nullptr);
            if (found) {
                anchored = found->cbCertEncoded == top->cbCertEncoded &&
                           std::memcmp(found->pbCertEncoded, top->pbCertEncoded, top->cbCertEncoded) == 0;
                CertFreeCertificateContext(found);
            }
        }
    }
    const DWORD forgiven = anchored ? (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN) : 0;
    // Revocation cannot be judged offline (and mail servers' lists are often
    // out of reach); the rest must be clean.
    const DWORD ignoredAlways = CERT_TRUST_REVOCATION_STATUS_UNKNOWN | CERT_TRUST_IS_OFFLINE_REVOCATION;
    const DWORD left = status & ~forgiven & ~ignoredAlways;
    if (left & (CERT_TRUST_IS_NOT_VALID_FOR_USAGE | CERT_TRUST_CTL_IS_NOT_VALID_FOR_USAGE))
        return "certificate not trusted (not meant for servers)";
    if (left & CERT_TRUST_IS_REVOKED) return "certificate not trusted (revoked)";
    if (left == CERT_TRUST_IS_UNTRUSTED_ROOT || left == CERT_TRUST_IS_PARTIAL_CHAIN ||
        left == (CERT_TRUST_IS_UNTRUSTED_ROOT | CERT_TRUST_IS_PARTIAL_CHAIN))
        return "certificate not trusted (it leads to no trusted root, neither the system's nor the extra file's)";
    if (left) {
        char text[80];
        std::snprintf(text, sizeof text, "certificate not trusted (chain status 0x%08lX)",
                      static_cast<unsigned long>(left));
        return text;
    }

    std::wstring wideHost(host.begin(), host.end());
    SSL_EXTRA_CERT_CHAIN_POLICY_PARA ssl{};
    ssl.cbSize = sizeof ssl;
    ssl.dwAuthType = AUTHTYPE_SERVER;
    ssl.fdwChecks = (anchored ? kIgnoreUnknownCa : 0) | (NamesAddress(server, host) ? kIgnoreNameMismatch : 0);
    ssl.pwszServerName = const_cast<wchar_t*>(wideHost.c_str());
    CERT_CHAIN_POLICY_PARA policy{};
    policy.cbSize = sizeof policy;
    policy.pvExtraPolicyPara = &ssl;
    CERT_CHAIN_POLICY_STATUS verdict{};
    verdict.cbSize = sizeof verdict;
    if (!CertVerifyCertificateChainPolicy(CERT_CHAIN_POLICY_SSL, chain.chain, &policy, &verdict))
        return "cannot check the certificate (error " + std::to_string(GetLastError()) + ")";
    switch (static_cast<HRESULT>(verdict.dwError)) {
        case S_OK: return "";
        case CERT_E_CN_NO_MATCH: return "host name mismatch (the certificate does not name " + host + ")";
        case CERT_E_EXPIRED: return TimeFault(chain.chain);
        case CERT_E_WRONG_USAGE: return "certificate not trusted (not meant for servers)";
        default:
            return "certificate not trusted (policy status " + Hex(static_cast<SECURITY_STATUS>(verdict.dwError)) + ")";
    }
}
}  // namespace

struct PlatformTls::Impl {
    CredHandle cred{};
    bool haveCred = false;
    CtxtHandle ctx{};
    bool haveCtx = false;
    SecPkgContext_StreamSizes sizes{};
    PlatformSocket* socket = nullptr;
    std::string host;
    std::vector<std::vector<BYTE>> trust;  // the extra trusted certificates, DER
    bool established = false;
    bool dead = false;        // after any failure: nothing more goes out
    bool peerClosed = false;  // close_notify seen
    std::vector<char> in;     // records received, not yet taken apart
    std::vector<char> plain;  // decrypted, not yet handed out
    size_t plainAt = 0;

    ~Impl() {
        if (haveCtx) DeleteSecurityContext(&ctx);
        if (haveCred) FreeCredentialsHandle(&cred);
    }

    SECURITY_STATUS AcquireCredentials();
    Result SendAll(const char* data, size_t length, const SocketStop& stop, std::string& error);
    Result ReadMore(const SocketStop& stop, std::string& error);
    Result Negotiate(bool first, const SocketStop& stop, std::string& error);
};

// The newer credentials structure lets Schannel pick TLS 1.3 where it can;
// older systems know only the classic one, which is asked with 1.2 and 1.3 and
// then 1.2 alone. Anything below 1.2 stays off.
SECURITY_STATUS PlatformTls::Impl::AcquireCredentials() {
    const DWORD flags = SCH_CRED_MANUAL_CRED_VALIDATION | SCH_CRED_NO_DEFAULT_CREDS | SCH_USE_STRONG_CRYPTO;
    TimeStamp expiry;
    TLS_PARAMETERS params{};
    params.grbitDisabledProtocols = static_cast<DWORD>(~(SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT));
    SCH_CREDENTIALS modern{};
    modern.dwVersion = SCH_CREDENTIALS_VERSION;
    modern.dwFlags = flags;
    modern.cTlsParameters = 1;
    modern.pTlsParameters = &params;
    SECURITY_STATUS status = AcquireCredentialsHandleA(nullptr, const_cast<char*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND,
                                                       nullptr, &modern, nullptr, nullptr, &cred, &expiry);
    for (DWORD protocols : {DWORD(SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT), DWORD(SP_PROT_TLS1_2_CLIENT)}) {
        if (status == SEC_E_OK) break;
        SCHANNEL_CRED classic{};
        classic.dwVersion = SCHANNEL_CRED_VERSION;
        classic.dwFlags = flags;
        classic.grbitEnabledProtocols = protocols;
        status = AcquireCredentialsHandleA(nullptr, const_cast<char*>(UNISP_NAME_A), SECPKG_CRED_OUTBOUND, nullptr,
                                           &classic, nullptr, nullptr, &cred, &expiry);
    }
    haveCred = status == SEC_E_OK;
    return status;
}

PlatformTls::Result PlatformTls::Impl::SendAll(const char* data, size_t length, const SocketStop& stop,
                                               std::string& error) {
    while (length > 0) {
        size_t sent = 0;
        const Result r = socket->Send(data, length, sent, stop);
        if (r != kOk) {
            if (r == kFailed) error = socket->LastError();
            return r;
        }
        data += sent;
        length -= sent;
    }
    return kOk;
}

PlatformTls::Result PlatformTls::Impl::ReadMore(const SocketStop& stop, std::string& error) {
    if (in.size() >= kMaxPending) {
        error = "the server sent more than " + std::to_string(kMaxPending) + " bytes without a complete record";
        return kFailed;
    }
    const size_t had = in.size();
    in.resize(had + kReadPiece);
    size_t got = 0;
    const Result r = socket->Recv(in.data() + had, kReadPiece, got, stop);
    in.resize(had + got);
    if (r == kFailed) error = socket->LastError();
    if (r == kOk && got == 0) {
        error = "the server closed the connection";
        return kFailed;
    }
    return r;
}

// The handshake loop, also used when the server asks for a new one (TLS 1.2
// renegotiation, TLS 1.3 messages after the handshake): feed what came in,
// send what Schannel made, read more when it needs more.
PlatformTls::Result PlatformTls::Impl::Negotiate(bool first, const SocketStop& stop, std::string& error) {
    const DWORD want = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                       ISC_REQ_EXTENDED_ERROR | ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM |
                       ISC_REQ_MANUAL_CRED_VALIDATION;
    // A new handshake the server asked for starts with what already came in,
    // even nothing (TLS 1.3 tickets): Schannel says when it needs more.
    bool needInput = false;
    static char none;
    int askedForCertificate = 0;
    for (;;) {
        if (needInput) {
            const Result r = ReadMore(stop, error);
            if (r != kOk) return r;
        }
        SecBuffer inBuffers[2] = {
            {static_cast<unsigned long>(in.size()), SECBUFFER_TOKEN, in.empty() ? &none : in.data()},
            {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc inDesc{SECBUFFER_VERSION, 2, inBuffers};
        SecBuffer outBuffers[2] = {{0, SECBUFFER_TOKEN, nullptr}, {0, SECBUFFER_ALERT, nullptr}};
        SecBufferDesc outDesc{SECBUFFER_VERSION, 2, outBuffers};
        ULONG got = 0;
        const bool start = first && !haveCtx;
        const SECURITY_STATUS status =
            InitializeSecurityContextA(&cred, start ? nullptr : &ctx, const_cast<char*>(host.c_str()), want, 0, 0,
                                       start ? nullptr : &inDesc, 0, start ? &ctx : nullptr, &outDesc, &got, nullptr);
        if (start && (status == SEC_E_OK || status == SEC_I_CONTINUE_NEEDED || status == SEC_I_INCOMPLETE_CREDENTIALS))
            haveCtx = true;
        // What Schannel made goes out only while the handshake is still good:
        // after a failure the server learns nothing more from us.
        std::vector<char> token;
        if (outBuffers[0].pvBuffer && outBuffers[0].cbBuffer)
            token.assign(static_cast<char*>(outBuffers[0].pvBuffer),
                         static_cast<char*>(outBuffers[0].pvBuffer) + outBuffers[0].cbBuffer);
        for (SecBuffer& b : outBuffers)
            if (b.pvBuffer) FreeContextBuffer(b.pvBuffer);

        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            // A plain-text answer can pass for the start of a long record and
            // would be waited on for ever: a TLS record starts with a content
            // type from 20 to 24.
            if (!in.empty() && (in[0] < 20 || in[0] > 24)) {
                error = "the server does not speak TLS (it said \"" + Printable(in) + "\")";
                return kFailed;
            }
            needInput = true;
            continue;
        }
        if (status != SEC_E_OK && status != SEC_I_CONTINUE_NEEDED && status != SEC_I_INCOMPLETE_CREDENTIALS) {
            error = StatusText("InitializeSecurityContext", status);
            return kFailed;
        }
        if (status == SEC_I_INCOMPLETE_CREDENTIALS) {
            // The server asked for a client certificate; we have none, and the
            // same input goes in again so Schannel answers without one.
            if (++askedForCertificate > 2) {
                error = "the server insists on a client certificate";
                return kFailed;
            }
            needInput = false;
            continue;
        }
        if (!start) {
            // Whatever followed the handshake's last record belongs to the next call.
            if (inBuffers[1].BufferType == SECBUFFER_EXTRA && inBuffers[1].cbBuffer > 0)
                in.erase(in.begin(), in.end() - inBuffers[1].cbBuffer);
            else
                in.clear();
        }
        if (!token.empty()) {
            const Result r = SendAll(token.data(), token.size(), stop, error);
            if (r != kOk) return r;
        }
        if (status == SEC_E_OK) return kOk;
        // Continue: with the rest of what came in, or with more from the server.
        needInput = in.empty();
    }
}

PlatformTls::PlatformTls() : m_Impl(new Impl) {}

PlatformTls::~PlatformTls() = default;

PlatformTls::Result PlatformTls::Handshake(PlatformSocket& socket, const std::string& host,
                                           const std::string& extraTrustPemFile, const SocketStop& stop) {
    m_Impl.reset(new Impl);
    m_LastError.clear();
    Impl& s = *m_Impl;
    s.socket = &socket;
    s.host = host;
    auto fail = [&](const std::string& why) {
        s.dead = true;
        m_LastError = why;
        return kFailed;
    };
    // A trust file that cannot be read fails before a byte goes out.
    std::string error;
    if (!extraTrustPemFile.empty() && !ReadPemCertificates(extraTrustPemFile, s.trust, error)) return fail(error);
    const SECURITY_STATUS credStatus = s.AcquireCredentials();
    if (credStatus != SEC_E_OK) return fail("handshake failed: " + StatusText("AcquireCredentialsHandle", credStatus));
    const Result r = s.Negotiate(true, stop, error);
    if (r == kStopped) {
        s.dead = true;
        m_LastError = "TLS handshake stopped";
        return kStopped;
    }
    if (r != kOk) return fail("handshake failed: " + error);

    PCCERT_CONTEXT server = nullptr;
    const SECURITY_STATUS certStatus = QueryContextAttributesA(&s.ctx, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &server);
    if (certStatus != SEC_E_OK || !server)
        return fail("handshake failed: the server sent no certificate: " +
                    StatusText("QueryContextAttributes", certStatus));
    const std::string why = CheckCertificate(server, host, s.trust);
    CertFreeCertificateContext(server);
    if (!why.empty()) return fail("certificate check failed: " + why);

    // Schannel may not honour the protocol floor asked for (Wine 8 ignores
    // the newer structure's list), so the outcome is checked too.
    SecPkgContext_ConnectionInfo info{};
    const SECURITY_STATUS infoStatus = QueryContextAttributesA(&s.ctx, SECPKG_ATTR_CONNECTION_INFO, &info);
    if (infoStatus != SEC_E_OK)
        return fail("handshake failed: " + StatusText("QueryContextAttributes(connection info)", infoStatus));
    if (!(info.dwProtocol & (SP_PROT_TLS1_2_CLIENT | SP_PROT_TLS1_3_CLIENT))) {
        char text[128];
        std::snprintf(text, sizeof text,
                      "handshake failed: the server offers only protocols older than TLS 1.2 (protocol 0x%lX)",
                      static_cast<unsigned long>(info.dwProtocol));
        return fail(text);
    }
    const SECURITY_STATUS sizeStatus = QueryContextAttributesA(&s.ctx, SECPKG_ATTR_STREAM_SIZES, &s.sizes);
    if (sizeStatus != SEC_E_OK)
        return fail("handshake failed: " + StatusText("QueryContextAttributes(stream sizes)", sizeStatus));
    s.established = true;
    return kOk;
}

PlatformTls::Result PlatformTls::Send(const char* data, size_t length, size_t& sent, const SocketStop& stop) {
    sent = 0;
    Impl& s = *m_Impl;
    if (!s.established || s.dead) {
        m_LastError = "TLS send: no session";
        return kFailed;
    }
    if (length == 0) return kOk;
    // One record per call; the caller sends the rest as with a plain socket.
    const size_t piece = length < s.sizes.cbMaximumMessage ? length : s.sizes.cbMaximumMessage;
    std::vector<char> record(s.sizes.cbHeader + piece + s.sizes.cbTrailer);
    std::memcpy(record.data() + s.sizes.cbHeader, data, piece);
    SecBuffer buffers[4] = {{s.sizes.cbHeader, SECBUFFER_STREAM_HEADER, record.data()},
                            {static_cast<unsigned long>(piece), SECBUFFER_DATA, record.data() + s.sizes.cbHeader},
                            {s.sizes.cbTrailer, SECBUFFER_STREAM_TRAILER, record.data() + s.sizes.cbHeader + piece},
                            {0, SECBUFFER_EMPTY, nullptr}};
    SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
    const SECURITY_STATUS status = EncryptMessage(&s.ctx, 0, &desc, 0);
    if (status != SEC_E_OK) {
        s.dead = true;
        m_LastError = "TLS send failed: " + StatusText("EncryptMessage", status);
        return kFailed;
    }
    std::string error;
    const Result r =
        s.SendAll(record.data(), buffers[0].cbBuffer + buffers[1].cbBuffer + buffers[2].cbBuffer, stop, error);
    if (r != kOk) {
        // Half a record on the wire: the stream cannot go on.
        s.dead = true;
        m_LastError = r == kStopped ? "TLS send stopped" : "TLS send failed: " + error;
        return r;
    }
    sent = piece;
    return kOk;
}

PlatformTls::Result PlatformTls::Recv(char* buffer, size_t capacity, size_t& received, const SocketStop& stop) {
    received = 0;
    Impl& s = *m_Impl;
    auto fail = [&](const std::string& why) {
        s.dead = true;
        m_LastError = "TLS receive failed: " + why;
        return kFailed;
    };
    if (!s.established || s.dead) {
        m_LastError = "TLS receive: no session";
        return kFailed;
    }
    for (;;) {
        if (s.plainAt < s.plain.size()) {
            received = std::min(capacity, s.plain.size() - s.plainAt);
            std::memcpy(buffer, s.plain.data() + s.plainAt, received);
            s.plainAt += received;
            return kOk;
        }
        if (s.peerClosed) return kOk;
        if (s.in.empty()) {
            std::string error;
            const Result r = s.ReadMore(stop, error);
            if (r == kStopped) return r;
            // A close without close_notify reads as the end, as on a plain
            // socket; the caller's protocol knows whether it was due.
            if (r == kFailed && s.in.empty() && error == "the server closed the connection") {
                s.peerClosed = true;
                return kOk;
            }
            if (r != kOk) return fail(error);
        }
        SecBuffer buffers[4] = {{static_cast<unsigned long>(s.in.size()), SECBUFFER_DATA, s.in.data()},
                                {0, SECBUFFER_EMPTY, nullptr},
                                {0, SECBUFFER_EMPTY, nullptr},
                                {0, SECBUFFER_EMPTY, nullptr}};
        SecBufferDesc desc{SECBUFFER_VERSION, 4, buffers};
        const SECURITY_STATUS status = DecryptMessage(&s.ctx, &desc, 0, nullptr);
        if (status == SEC_E_INCOMPLETE_MESSAGE) {
            std::string error;
            const Result r = s.ReadMore(stop, error);
            if (r == kStopped) return r;
            if (r != kOk)
                return fail(error == "the server closed the connection"
                                ? "the server closed the connection in the middle of a record"
                                : error);
            continue;
        }
        if (status != SEC_E_OK && status != SEC_I_RENEGOTIATE && status != SEC_I_CONTEXT_EXPIRED)
            return fail(StatusText("DecryptMessage", status));
        // Decrypted in place: take the data before the buffer moves.
        s.plain.clear();
        s.plainAt = 0;
        std::vector<char> extra;
        for (const SecBuffer& b : buffers) {
            if (b.BufferType == SECBUFFER_DATA && b.cbBuffer)
                s.plain.assign(static_cast<char*>(b.pvBuffer), static_cast<char*>(b.pvBuffer) + b.cbBuffer);
            if (b.BufferType == SECBUFFER_EXTRA && b.cbBuffer) extra.assign(s.in.end() - b.cbBuffer, s.in.end());
        }
        s.in.swap(extra);
        if (status == SEC_I_CONTEXT_EXPIRED) {
            s.peerClosed = true;  // close_notify: what came before it still counts
            continue;
        }
        if (status == SEC_I_RENEGOTIATE) {
            // The records that follow belong to the new handshake.
            std::string error;
            const Result r = s.Negotiate(false, stop, error);
            if (r == kStopped) return r;
            if (r != kOk) return fail("renegotiation: " + error);
            PCCERT_CONTEXT server = nullptr;
            if (QueryContextAttributesA(&s.ctx, SECPKG_ATTR_REMOTE_CERT_CONTEXT, &server) == SEC_E_OK && server) {
                const std::string why = CheckCertificate(server, s.host, s.trust);
                CertFreeCertificateContext(server);
                if (!why.empty()) return fail("renegotiation: certificate check failed: " + why);
            }
            QueryContextAttributesA(&s.ctx, SECPKG_ATTR_STREAM_SIZES, &s.sizes);
        }
    }
}

void PlatformTls::Close(const SocketStop& stop) {
    Impl& s = *m_Impl;
    if (s.established && !s.dead && s.haveCtx && !stop.IsRaised()) {
        DWORD type = SCHANNEL_SHUTDOWN;
        SecBuffer control{sizeof type, SECBUFFER_TOKEN, &type};
        SecBufferDesc controlDesc{SECBUFFER_VERSION, 1, &control};
        if (ApplyControlToken(&s.ctx, &controlDesc) == SEC_E_OK) {
            SecBuffer out{0, SECBUFFER_TOKEN, nullptr};
            SecBufferDesc outDesc{SECBUFFER_VERSION, 1, &out};
            ULONG got = 0;
            const DWORD want = ISC_REQ_SEQUENCE_DETECT | ISC_REQ_REPLAY_DETECT | ISC_REQ_CONFIDENTIALITY |
                               ISC_REQ_ALLOCATE_MEMORY | ISC_REQ_STREAM;
            const SECURITY_STATUS status =
                InitializeSecurityContextA(&s.cred, &s.ctx, const_cast<char*>(s.host.c_str()), want, 0, 0, nullptr, 0,
                                           nullptr, &outDesc, &got, nullptr);
            if ((status == SEC_E_OK || status == SEC_I_CONTEXT_EXPIRED) && out.pvBuffer && out.cbBuffer) {
                std::string error;
                s.SendAll(static_cast<char*>(out.pvBuffer), out.cbBuffer, stop, error);
            }
            if (out.pvBuffer) FreeContextBuffer(out.pvBuffer);
        }
    }
    s.established = false;
    s.dead = true;
}

bool PlatformTls::IsEstablished() const {
    return m_Impl->established && !m_Impl->dead;
}
