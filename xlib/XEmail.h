// A minimal POP3 client: connect, log in with USER and PASS, ask STAT for the
// number of waiting messages, say QUIT. Every operation reports failure by its
// result and a readable text in GetErrorText(); nothing is thrown.
//
// Another thread may cancel a transfer in progress with Cancel: every wait on
// the server (connect, send, receive) ends at once, with the "terminated by
// the user" texts.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/Socket.h"
#include "xlib/XString.h"

class XEmail {
public:
    // Bytes asked for per receive, and the longest response taken.
    static constexpr unsigned kRecvSize = 4096;

    // Process-wide start and stop of the socket library.
    static bool Init(XString& error);
    static bool UnInit(XString& error);

    XEmail();
    ~XEmail();
    XEmail(const XEmail&) = delete;
    XEmail& operator=(const XEmail&) = delete;

    bool Connect(const char* host, int port);
    bool AuthUserSetup(const char* host, int port, const char* user, const char* password);
    bool Pop3Connect(const char* host, int port, const char* user, const char* password);
    // Messages waiting: 0 on a negative or malformed answer, -1 when the
    // transfer failed. *pTotalSize gets the mailbox size, or -1 when the answer has none.
    int GetMsgCount(int* pTotalSize = nullptr);
    bool Pop3Disconnect();
    const XString& GetErrorText() const { return m_ErrorText; }

    // One command out (the send buffer), one response in (the receive buffer).
    bool Send();
    bool Recv();

    // From any thread: ends the transfer in progress and any later one until
    // Resume. Safe to call while the owner is inside an operation.
    void Cancel();
    // Lets transfers run again (the owner, between uses).
    void Resume();
    bool IsConnected() const { return m_Connected; }
    const XString& GetResponse() const { return m_RecvBuffer; }
    float GetProgress() const { return m_Progress; }

private:
    void CloseSocket();
    bool IsPositive() const;

    bool m_Connected = false;
    XString m_ErrorText;
    XString m_RecvBuffer;
    uint32_t m_RecvSize = kRecvSize;
    PlatformSocket m_Socket;
    float m_Progress = 0.0f;
    std::atomic<bool> m_Continue{true};
    SocketStop m_Stop;
    XString m_SendBuffer;
};
