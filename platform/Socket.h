// TCP client connections whose every wait can be cut short by another thread.
// A mail server may accept a connection and then say nothing for as long as it
// likes; the program must still close at once, so each connect, send and
// receive waits on the socket and on a SocketStop together.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Starts and stops the system's socket library for the process (a no-op where
// there is none to start). False when it could not be started.
bool PlatformSocketsStart();
void PlatformSocketsStop();

// A wake-up that one thread raises and every socket wait given it notices at
// once. It stays raised until Reset.
class SocketStop {
public:
    SocketStop();
    ~SocketStop();
    SocketStop(const SocketStop&) = delete;
    SocketStop& operator=(const SocketStop&) = delete;

    void Raise();
    void Reset();
    bool IsRaised() const;

    struct Impl;
    Impl* GetImpl() const { return m_Impl; }

private:
    Impl* m_Impl;
};

class PlatformSocket {
public:
    enum Result { kOk, kFailed, kStopped };

    PlatformSocket();
    ~PlatformSocket();  // closes
    PlatformSocket(const PlatformSocket&) = delete;
    PlatformSocket& operator=(const PlatformSocket&) = delete;

    // The first IPv4 address of `host` in network byte order; false when the
    // name does not resolve.
    static bool ResolveIPv4(const char* host, uint32_t& address);

    // Creates the TCP socket; false when the system refused.
    bool Open();
    bool IsOpen() const;
    // Waits for the connection, for `stop`, or for the system to give up.
    Result Connect(uint32_t address, uint16_t port, const SocketStop& stop);
    // One piece out: `sent` is what the system took (at least one byte on kOk).
    Result Send(const char* data, size_t length, size_t& sent, const SocketStop& stop);
    // One read: `received` 0 on kOk means the peer closed the connection.
    Result Recv(char* buffer, size_t capacity, size_t& received, const SocketStop& stop);
    // Waits until the socket can be read (forWrite false) or written without
    // blocking, or until `stop` is raised: kOk ready (a closed or failed
    // connection counts as ready: the next read or write says which), kStopped,
    // or kFailed when the wait itself failed. Connect, Send and Recv wait the
    // same way; this is for code that drives the socket through a library of
    // its own, such as a TLS session.
    Result WaitReady(bool forWrite, const SocketStop& stop);
    void Close();
    // The system's reason for the last kFailed, as readable text with its number.
    const std::string& LastError() const { return m_LastError; }

    // A server may also answer so slowly, or not at all, that the caller has to
    // give up on it: from this call on, every wait (Connect, Send, Recv,
    // WaitReady, also those a TLS session makes) ends `ms` from now at the
    // latest, with kFailed and TimedOut() true. 0 lifts the limit.
    void SetDeadline(unsigned ms);
    // Whether the last kFailed came from the deadline.
    bool TimedOut() const { return m_TimedOut; }

private:
    // Milliseconds left before the deadline: -1 none set, 0 passed.
    int64_t RemainingMs() const;
    // A wait's result where the deadline passed: kFailed, with the reason.
    Result DeadlinePassed();

    intptr_t m_Handle;
    std::string m_LastError;
    int64_t m_DeadlineMs = 0;  // on the steady clock; 0: none
    bool m_TimedOut = false;
};
