// A minimal POP3 client: connect, log in with USER and PASS, ask STAT for the
// number of waiting messages, say QUIT. Every operation reports failure by its
// result and a readable text in GetErrorText(); nothing is thrown.
//
// An account's server text says how to reach the mailbox (XPop3Server::Parse):
// plain POP3, POP3 over TLS from the first byte, or a plain connection
// upgraded with STLS before the user name and password go out.
//
// Another thread may cancel a transfer in progress with Cancel: every wait on
// the server (connect, send, receive) ends at once, with the "terminated by
// the user" texts.
//
// A server that never answers, or answers a byte at a time, must not hold the
// caller for ever either: the connection, the TLS handshake, each command sent
// and each reply read must each end within the exchange limit, or the
// operation fails with a text that names the limit and the connection is
// dropped (nothing more is said to such a server, QUIT included).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "platform/Socket.h"
#include "xlib/XString.h"

class PlatformTls;

// Where a mailbox is and how to talk to it, taken from an account's server text.
struct XPop3Server {
    enum Security { kPlain, kImplicitTls, kStartTls };
    static constexpr int kPlainPort = 110;
    static constexpr int kTlsPort = 995;

    XString Host;
    int Port = kPlainPort;
    Security Mode = kPlain;

    // The forms, blanks at both ends ignored, scheme and "+stls" in any case:
    //   host, host:port              plain POP3 (port 110 by default)
    //   pop3://host[:port]           the same
    //   pop3://host+stls[:port]      plain, upgraded with STLS before logging in
    //   (also pop3://host:port+stls)
    //   pop3s://host[:port]          TLS from the first byte (port 995 by default)
    // Anything else is false with `error` saying what is wrong with the text.
    static bool Parse(const XString& text, XPop3Server& server, XString& error);
};

class XEmail {
public:
    // Bytes asked for per receive, and the longest response taken.
    static constexpr unsigned kRecvSize = 4096;

    // How long each exchange may take (see above): 30 seconds unless changed.
    // Process-wide; tests shorten it.
    static constexpr unsigned kDefaultExchangeLimitMs = 30000;
    static void SetExchangeLimitMs(unsigned ms);
    static unsigned ExchangeLimitMs();

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
    // Connects and logs in the way an account's server text says; a text that
    // does not parse fails with "Error: in Pop3Connect, " and the reason.
    bool Pop3ConnectServer(const XString& server, const char* user, const char* password);
    // A PEM file whose certificates are trusted beside the system's roots for
    // TLS connections. Empty: the file named by the environment variable
    // MEADOWGLOW_MAIL_TRUST, if any.
    void SetTrustFile(const XString& path) { m_TrustFile = path; }
    // The file the next TLS handshake will trust, after the rule above.
    XString TrustFile() const;
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
    bool LogIn(const XPop3Server& server, const char* user, const char* password);
    bool Pop3ConnectTo(const XPop3Server& server, const char* user, const char* password);
    // Wraps the connected socket in a TLS session; false with the reason in the error text.
    bool StartTls(const XString& host);
    void CloseSocket();
    // After a wait ran past the exchange limit: the server is given up on.
    void DropAfterTimeOut();
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
    XString m_TrustFile;
    // Set only while a TLS session carries the connection; everything goes
    // through it then, and nothing is sent without it once it failed.
    std::unique_ptr<PlatformTls> m_Tls;
};
