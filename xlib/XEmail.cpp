#include "xlib/XEmail.h"

#include <cstring>

namespace {
constexpr const char* kTerminatedSend = "Error: in Send, the transfer has been terminated by the user.";
constexpr const char* kTerminatedRecv = "Error: in recv, the transfer has been terminated by the user.";
}  // namespace

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

void XEmail::Cancel() {
    m_Continue = false;
    m_Stop.Raise();
}

void XEmail::Resume() {
    m_Stop.Reset();
    m_Continue = true;
}

void XEmail::CloseSocket() { m_Socket.Close(); }

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
    const PlatformSocket::Result r = m_Socket.Connect(address, static_cast<uint16_t>(port), m_Stop);
    if (r != PlatformSocket::kOk) {
        m_ErrorText.Format("Error: in Connect, failed to connect to host name=%s on port=%d", host ? host : "", port);
        CloseSocket();
        return false;
    }
    return true;
}

bool XEmail::AuthUserSetup(const char* host, int port, const char* user, const char* password) {
    m_ErrorText = "";
    // Each step: what failed, and the inner text where there is one.
    auto fail = [this](const char* text, bool withInner) {
        XString inner = m_ErrorText;
        m_ErrorText = text;
        if (withInner) m_ErrorText += inner;
        CloseSocket();
        return false;
    };
    if (!Connect(host, port)) return fail("Error: in AuthUserSetup, Connect failed. Msg=", true);
    if (!Recv()) return fail("Error: in AuthUserSetup, Recv failed. Msg=", true);
    if (!IsPositive()) return fail("Error: in AuthUserSetup, the connection failed with an invalid response.", false);

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
    if (!AuthUserSetup(host, port, user, password)) {
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
    const int count = m_RecvBuffer.ToInt(static_cast<unsigned>(blank) + 1);
    if (pTotalSize) {
        const int next = m_RecvBuffer.FindFwd(' ', static_cast<unsigned>(blank) + 1);
        *pTotalSize = next < 0 ? -1 : m_RecvBuffer.ToInt(static_cast<unsigned>(next) + 1);
    }
    return count;
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
    CloseSocket();
    return ok;
}

bool XEmail::Send() {
    m_ErrorText = "";
    m_Progress = 0.0f;
    const unsigned total = m_SendBuffer.GetLength();
    unsigned done = 0;
    while (done < total) {
        if (!m_Continue) {
            m_ErrorText = kTerminatedSend;
            return false;
        }
        size_t sent = 0;
        const PlatformSocket::Result r = m_Socket.Send(m_SendBuffer.c_str() + done, total - done, sent, m_Stop);
        if (r == PlatformSocket::kStopped) {
            m_ErrorText = kTerminatedSend;
            return false;
        }
        if (r != PlatformSocket::kOk) {
            m_ErrorText = "Error: in Send, the connection failed. ";
            m_ErrorText += m_Socket.LastError().c_str();
            return false;
        }
        done += static_cast<unsigned>(sent);
        m_Progress = static_cast<float>(done) / static_cast<float>(total) * 100.0f;
    }
    return true;
}

// A response is read up to its line end, however the network splits it, but
// never beyond the receive size: a server that streams without end cannot make
// the client hold more than that.
bool XEmail::Recv() {
    m_ErrorText = "";
    m_RecvBuffer = "";
    char piece[kRecvSize];
    for (;;) {
        const unsigned have = m_RecvBuffer.GetLength();
        size_t got = 0;
        const PlatformSocket::Result r = m_Socket.Recv(piece, m_RecvSize - have, got, m_Stop);
        if (r == PlatformSocket::kStopped || !m_Continue) {
            m_ErrorText = kTerminatedRecv;
            return false;
        }
        if (r != PlatformSocket::kOk) {
            m_ErrorText = "Error: in recv, the connection failed. ";
            m_ErrorText += m_Socket.LastError().c_str();
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
