#include "xlib/XEmail.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/Tls.h"
#include "xlib/UserFile.h"

namespace {
constexpr const char* kTerminatedSend = "Error: in Send, the transfer has been terminated by the user.";
constexpr const char* kTerminatedRecv = "Error: in recv, the transfer has been terminated by the user.";
constexpr const char* kTerminatedHandshake = "Error: in TLS handshake, the transfer has been terminated by the user.";
constexpr const char* kTrustVariable = "MEADOWGLOW_MAIL_TRUST";
constexpr std::string_view kStlsTag = "+stls";

std::atomic<unsigned> g_ExchangeLimitMs{XEmail::kDefaultExchangeLimitMs};

// "30 seconds", "1.5 seconds": the limit as the texts name it.
std::string LimitText() {
    const unsigned ms = XEmail::ExchangeLimitMs();
    char text[48];
    if (ms == 1000)
        return "1 second";
    if (ms % 1000 == 0)
        std::snprintf(text, sizeof text, "%u seconds", ms / 1000);
    else
        std::snprintf(text, sizeof text, "%.1f seconds", ms / 1000.0);
    return text;
}

bool HasLineBreak(const char* text) { return text && std::strpbrk(text, "\r\n") != nullptr; }

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

size_t FindNoCase(std::string_view text, std::string_view what) {
    for (size_t i = 0; i + what.size() <= text.size(); ++i) {
        size_t k = 0;
        while (k < what.size() && Lower(text[i + k]) == what[k]) ++k;
        if (k == what.size()) return i;
    }
    return std::string_view::npos;
}

bool SameNoCase(std::string_view text, std::string_view lower) {
    return text.size() == lower.size() && FindNoCase(text, lower) == 0;
}

// Blanks, control bytes and the characters that separate the parts of an
// address never belong to a host name.
bool IsHostNameChar(char c) {
    return static_cast<unsigned char>(c) > ' ' && c != 0x7f && std::strchr("/\\@?#+:", c) == nullptr;
}
}  // namespace

bool XPop3Server::Parse(const XString& text, XPop3Server& server, XString& error) {
    server = XPop3Server();
    std::string_view t = text.View();
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
    auto bad = [&](const std::string& why) {
        error = ("the server text \"" + std::string(text.View()) + "\" " + why).c_str();
        return false;
    };
    if (t.empty()) return bad("is empty: give the mail server's host name");

    std::string authority(t);
    const size_t sep = t.find("://");
    if (sep != std::string_view::npos) {
        const std::string_view scheme = t.substr(0, sep);
        if (SameNoCase(scheme, "pop3s")) {
            server.Mode = kImplicitTls;
            server.Port = kTlsPort;
        } else if (!SameNoCase(scheme, "pop3")) {
            return bad("has the unknown scheme \"" + std::string(scheme) + "\": use pop3:// or pop3s://");
        }
        authority = std::string(t.substr(sep + 3));
        // "+stls" ends the host name or the whole text; elsewhere it stays
        // in the host name, which then fails the check below.
        const size_t tag = FindNoCase(authority, kStlsTag);
        const size_t after = tag + kStlsTag.size();
        if (tag != std::string::npos && (after == authority.size() || authority[after] == ':')) {
            if (server.Mode == kImplicitTls)
                return bad("asks for STLS on a pop3s:// connection, which is TLS from the first byte");
            server.Mode = kStartTls;
            authority.erase(tag, kStlsTag.size());
        }
    }
    std::string host = authority;
    const size_t colon = authority.rfind(':');
    if (colon != std::string::npos) {
        host = authority.substr(0, colon);
        const std::string digits = authority.substr(colon + 1);
        if (digits.empty()) return bad("has no port number after the colon");
        const std::string badPort = "has the port \"" + digits + "\": a port is a number from 1 to 65535";
        int port = 0;
        for (char c : digits) {
            if (c < '0' || c > '9' || port > 65535) return bad(badPort);
            port = port * 10 + (c - '0');
        }
        if (port < 1 || port > 65535) return bad(badPort);
        server.Port = port;
    }
    if (host.empty()) return bad("has no host name");
    for (char c : host)
        if (!IsHostNameChar(c)) return bad("has \"" + host + "\" as host name, which no host name can be");
    server.Host = host.c_str();
    return true;
}

void XEmail::SetExchangeLimitMs(unsigned ms) { g_ExchangeLimitMs = ms == 0 ? kDefaultExchangeLimitMs : ms; }

unsigned XEmail::ExchangeLimitMs() { return g_ExchangeLimitMs; }

bool XEmail::Init(XString& error) {
    if (PlatformSocketsStart()) return true;
    error = "Error: XEmail::Init failed to setup e-mail operations. E-mail operations will fail.";
    return false;
}

bool XEmail::UnInit(XString& /*error*/) {
    PlatformSocketsStop();
    return true;
}

XEmail::XEmail() : m_ErrorText(true, false), m_RecvBuffer(true, false), m_SendBuffer(true, false) {}

XEmail::~XEmail() { CloseSocket(); }

XString XEmail::TrustFile() const {
    if (!m_TrustFile.IsEmpty()) return m_TrustFile;
    const char* named = std::getenv(kTrustVariable);
    return XString(named ? named : "");
}

void XEmail::Cancel() {
    m_Continue = false;
    m_Stop.Raise();
}

void XEmail::Resume() {
    m_Stop.Reset();
    m_Continue = true;
}

void XEmail::CloseSocket() {
    m_Tls.reset();
    m_Socket.Close();
}

void XEmail::DropAfterTimeOut() {
    CloseSocket();
    m_Connected = false;
}

bool XEmail::StartTls(const XString& host) {
    const XString trust = TrustFile();
    if (UserFileRefused(trust, kMaxTrustFileBytes, "The trusted certificate file") ||
        (!trust.IsEmpty() && !trust.FileExists())) {
        m_ErrorText = "the trusted certificate file ";
        m_ErrorText += trust;
        m_ErrorText += " cannot be read";
        return false;
    }
    m_Tls = std::make_unique<PlatformTls>();
    // One limit for the whole handshake: a server that sends a record header
    // and then nothing, or its records a byte at a time, ends here too.
    m_Socket.SetDeadline(ExchangeLimitMs());
    const PlatformSocket::Result r = m_Tls->Handshake(m_Socket, host.c_str(), trust.c_str(), m_Stop);
    if (r == PlatformSocket::kOk && m_Continue) return true;
    if (r == PlatformSocket::kFailed && m_Socket.TimedOut())
        m_ErrorText = ("Error: in TLS handshake, the server did not complete it within " + LimitText() + ".").c_str();
    else
        m_ErrorText = r == PlatformSocket::kFailed ? m_Tls->LastError().c_str() : kTerminatedHandshake;
    m_Tls.reset();
    return false;
}

bool XEmail::IsPositive() const { return !m_RecvBuffer.IsEmpty() && m_RecvBuffer[0] == '+'; }

bool XEmail::Connect(const char* host, int port) {
    m_ErrorText = "";
    if (!m_Socket.Open()) {
        m_ErrorText = "Error: in Connect, failed to socket connect failed.";
        return false;
    }
    uint32_t address = 0;
    if (!PlatformSocket::ResolveIPv4(host, address)) {
        m_ErrorText = "Error: in Connect, failed to get host information for host name=";
        m_ErrorText += host;
        CloseSocket();
        return false;
    }
    m_Socket.SetDeadline(ExchangeLimitMs());
    const PlatformSocket::Result r = m_Socket.Connect(address, static_cast<uint16_t>(port), m_Stop);
    if (r != PlatformSocket::kOk) {
        m_ErrorText.Format("Error: in Connect, failed to connect to host name=%s on port=%d", host ? host : "", port);
        if (r == PlatformSocket::kFailed && m_Socket.TimedOut())
            m_ErrorText += (": no answer within " + LimitText() + ".").c_str();
        CloseSocket();
        return false;
    }
    return true;
}

bool XEmail::AuthUserSetup(const char* host, int port, const char* user, const char* password) {
    XPop3Server plain;
    plain.Host = host ? host : "";
    plain.Port = port;
    return LogIn(plain, user, password);
}

bool XEmail::LogIn(const XPop3Server& server, const char* user, const char* password) {
    m_ErrorText = "";
    // Each step: what failed, and the inner text where there is one.
    auto fail = [this](const char* text, bool withInner) {
        XString inner = m_ErrorText;
        m_ErrorText = text;
        if (withInner) m_ErrorText += inner;
        CloseSocket();
        return false;
    };
    // A line break would end the command early and send the rest as commands
    // of its own: such a value never reaches the server, nor does anything else.
    if (HasLineBreak(user))
        return fail("Error: in AuthUserSetup, the user name holds a line break (CR or LF); nothing was sent.", false);
    if (HasLineBreak(password))
        return fail("Error: in AuthUserSetup, the password holds a line break (CR or LF); nothing was sent.", false);
    if (!Connect(server.Host.c_str(), server.Port)) return fail("Error: in AuthUserSetup, Connect failed. Msg=", true);
    constexpr const char* kHandshakeFailed = "Error: in AuthUserSetup, TLS handshake failed. Msg=";
    if (server.Mode == XPop3Server::kImplicitTls && !StartTls(server.Host)) return fail(kHandshakeFailed, true);
    if (!Recv()) return fail("Error: in AuthUserSetup, Recv failed. Msg=", true);
    if (!IsPositive()) return fail("Error: in AuthUserSetup, the connection failed with an invalid response.", false);
    if (server.Mode == XPop3Server::kStartTls) {
        // The user name and password never go out before the upgrade: a
        // server that refuses it is left without another word.
        m_SendBuffer = "STLS\r\n";
        if (!Send()) return fail("Error: in AuthUserSetup, Send(STLS) failed. Msg=", true);
        if (!Recv()) return fail("Error: in AuthUserSetup, Recv(STLS) failed. Msg=", true);
        if (!IsPositive()) {
            const int end = m_RecvBuffer.FindFwd("\r\n");
            m_ErrorText.SetData(m_RecvBuffer.c_str(), end < 0 ? m_RecvBuffer.GetLength() : static_cast<unsigned>(end));
            return fail("Error: in AuthUserSetup, the server does not offer STLS. Response=", true);
        }
        if (!StartTls(server.Host)) return fail(kHandshakeFailed, true);
    }

    m_SendBuffer = "USER ";
    m_SendBuffer += user ? user : "";
    m_SendBuffer += "\r\n";
    if (!Send()) return fail("Error: in AuthUserSetup, Send failed. Msg=", true);
    if (!Recv()) return fail("Error: in AuthUserSetup, Recv(2) failed. Msg=", true);
    if (!IsPositive()) return fail("Error: in AuthUserSetup, user authorization failed for invalid user.", false);

    m_SendBuffer = "PASS ";
    m_SendBuffer += password ? password : "";
    m_SendBuffer += "\r\n";
    if (!Send()) return fail("Error: in AuthUserSetup, Send(2) failed. Msg=", true);
    if (!Recv()) return fail("Error: in AuthUserSetup, Recv(3) failed. Msg=", true);
    if (!IsPositive()) return fail("Error: in AuthUserSetup, user authorization failed for invalid password.", false);
    return true;
}

bool XEmail::Pop3Connect(const char* host, int port, const char* user, const char* password) {
    XPop3Server plain;
    plain.Host = host ? host : "";
    plain.Port = port;
    return Pop3ConnectTo(plain, user, password);
}

bool XEmail::Pop3ConnectServer(const XString& server, const char* user, const char* password) {
    XPop3Server where;
    XString why;
    if (!XPop3Server::Parse(server, where, why)) {
        m_ErrorText = "Error: in Pop3Connect, ";
        m_ErrorText += why;
        m_ErrorText += ".";
        return false;
    }
    return Pop3ConnectTo(where, user, password);
}

bool XEmail::Pop3ConnectTo(const XPop3Server& server, const char* user, const char* password) {
    if (!LogIn(server, user, password)) {
        XString inner = m_ErrorText;
        m_ErrorText = "Error: in Pop3Connect, AuthUserSetup failed. Msg=";
        m_ErrorText += inner;
        return false;
    }
    m_Connected = true;
    return true;
}

int XEmail::GetMsgCount(int* pTotalSize) {
    m_ErrorText = "";
    auto fail = [this](const char* text) {
        XString inner = m_ErrorText;
        m_ErrorText = text;
        m_ErrorText += inner;
        return -1;
    };
    m_SendBuffer = "STAT\r\n";
    if (!Send()) return fail("Error: in GetMsgCount, Send(1) failed. Msg=");
    if (!Recv()) return fail("Error: in GetMsgCount, Recv(1) failed. Msg=");
    if (!IsPositive()) {
        m_ErrorText = "Error: in GetMsgCount, server response=";
        m_ErrorText += m_RecvBuffer;
        return 0;
    }
    const int blank = m_RecvBuffer.FindFwd(' ');
    if (blank < 0) {
        m_ErrorText = "Error: in GetMsgCount, invalid server response=";
        m_ErrorText += m_RecvBuffer;
        return 0;
    }
    // The count is a plain decimal number that fits: a sign, letters or more
    // digits than an int holds are a malformed answer, never a count.
    const std::string_view answer = m_RecvBuffer.View();
    int64_t count = 0;
    size_t at = static_cast<size_t>(blank) + 1;
    const size_t first = at;
    for (; at < answer.size() && answer[at] >= '0' && answer[at] <= '9'; ++at) {
        count = count * 10 + (answer[at] - '0');
        if (count > INT32_MAX) break;
    }
    const bool ends = at == answer.size() || answer[at] == ' ' || answer[at] == '\r' || answer[at] == '\n';
    if (at == first || count > INT32_MAX || !ends) {
        m_ErrorText = "Error: in GetMsgCount, invalid server response=";
        m_ErrorText += m_RecvBuffer;
        return 0;
    }
    if (pTotalSize) {
        const int next = m_RecvBuffer.FindFwd(' ', static_cast<unsigned>(blank) + 1);
        *pTotalSize = next < 0 ? -1 : m_RecvBuffer.ToInt(static_cast<unsigned>(next) + 1);
    }
    return static_cast<int>(count);
}

bool XEmail::Pop3Disconnect() {
    if (!m_Connected) return true;
    m_ErrorText = "";
    m_Connected = false;
    bool ok = true;
    m_SendBuffer = "QUIT\r\n";
    if (!Send()) {
        XString inner = m_ErrorText;
        m_ErrorText = "Error: in Pop3Disconnect, Send(1) failed. Msg=";
        m_ErrorText += inner;
        ok = false;
    } else if (!Recv()) {
        XString inner = m_ErrorText;
        m_ErrorText = "Error: in Pop3Disconnect, Recv(1) failed. Msg=";
        m_ErrorText += inner;
        ok = false;
    }
    if (m_Tls) m_Tls->Close(m_Stop);
    CloseSocket();
    return ok;
}

bool XEmail::Send() {
    m_ErrorText = "";
    m_Progress = 0.0f;
    const unsigned total = m_SendBuffer.GetLength();
    unsigned done = 0;
    m_Socket.SetDeadline(ExchangeLimitMs());
    while (done < total) {
        if (!m_Continue) {
            m_ErrorText = kTerminatedSend;
            return false;
        }
        size_t sent = 0;
        const char* piece = m_SendBuffer.c_str() + done;
        const PlatformSocket::Result r =
            m_Tls ? m_Tls->Send(piece, total - done, sent, m_Stop) : m_Socket.Send(piece, total - done, sent, m_Stop);
        if (r == PlatformSocket::kStopped) {
            m_ErrorText = kTerminatedSend;
            return false;
        }
        if (r == PlatformSocket::kFailed && m_Socket.TimedOut()) {
            m_ErrorText = ("Error: in Send, the server took no data for " + LimitText() + ".").c_str();
            DropAfterTimeOut();
            return false;
        }
        if (r != PlatformSocket::kOk) {
            m_ErrorText = "Error: in Send, the connection failed. ";
            m_ErrorText += (m_Tls ? m_Tls->LastError() : m_Socket.LastError()).c_str();
            return false;
        }
        done += static_cast<unsigned>(sent);
        m_Progress = static_cast<float>(done) / static_cast<float>(total) * 100.0f;
    }
    return true;
}

// A response is read up to its line end, however the network splits it, but
// never beyond the receive size: a server that streams without end cannot make
// the client hold more than that. The whole response has one time limit, so
// a server dripping a byte at a time is given up on as a silent one is.
bool XEmail::Recv() {
    m_ErrorText = "";
    m_RecvBuffer = "";
    char piece[kRecvSize];
    m_Socket.SetDeadline(ExchangeLimitMs());
    for (;;) {
        const unsigned have = m_RecvBuffer.GetLength();
        size_t got = 0;
        const PlatformSocket::Result r = m_Tls ? m_Tls->Recv(piece, m_RecvSize - have, got, m_Stop)
                                               : m_Socket.Recv(piece, m_RecvSize - have, got, m_Stop);
        if (r == PlatformSocket::kStopped || !m_Continue) {
            m_ErrorText = kTerminatedRecv;
            return false;
        }
        if (r == PlatformSocket::kFailed && m_Socket.TimedOut()) {
            m_ErrorText = ("Error: in recv, no complete answer from the server within " + LimitText() + ".").c_str();
            DropAfterTimeOut();
            return false;
        }
        if (r != PlatformSocket::kOk) {
            m_ErrorText = "Error: in recv, the connection failed. ";
            m_ErrorText += (m_Tls ? m_Tls->LastError() : m_Socket.LastError()).c_str();
            return false;
        }
        if (got == 0) return true;  // the server closed: what came is the response
        m_RecvBuffer.AppendData(piece, static_cast<unsigned>(got));
        if (m_RecvBuffer.FindFwd("\r\n") >= 0) return true;
        if (m_RecvBuffer.GetLength() >= m_RecvSize) {
            m_ErrorText.Format("Error: in recv, the response reached %u bytes without a line end.", m_RecvSize);
            return false;
        }
    }
}
