// A TCP server on 127.0.0.1 for tests of network clients: each accepted
// connection is handed to a script that plays the server's part, well-behaved
// or hostile. Connections are served one after another on the server's thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

// Minimal socket calls the server needs, one implementation per platform.
namespace testsock {
intptr_t ListenLoopback(int& port);  // -1 on failure
int WaitReadable(intptr_t s, int ms);  // 1 ready, 0 timed out, -1 failed
intptr_t Accept(intptr_t listener);
int Send(intptr_t s, const char* data, int n);  // bytes sent, < 0 on failure
int Recv(intptr_t s, char* buffer, int n);       // bytes read, 0 closed, < 0 failed
void Close(intptr_t s);
}  // namespace testsock

class LoopbackConnection {
public:
    LoopbackConnection(intptr_t socket, const std::atomic<bool>& stopping) : m_Socket(socket), m_Stopping(stopping) {}
    bool Send(const std::string& data);
    // One line without its CR LF; empty when the client closed or the server stops.
    std::string RecvLine();
    // Keeps the connection open, saying nothing, until the client closes it or the server stops.
    void HoldSilently();
    std::string Received() const { return m_Received; }

private:
    intptr_t m_Socket;
    const std::atomic<bool>& m_Stopping;
    std::string m_Pending;
    std::string m_Received;
};

class LoopbackServer {
public:
    using Script = std::function<void(LoopbackConnection&)>;
    explicit LoopbackServer(Script script);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    bool IsReady() const { return m_Listener >= 0; }
    int Port() const { return m_Port; }
    // "127.0.0.1:<port>", as a mail account's server field names it.
    std::string Address() const { return "127.0.0.1:" + std::to_string(m_Port); }
    int Connections() const { return m_Connections; }

private:
    void Run();

    Script m_Script;
    intptr_t m_Listener = -1;
    int m_Port = 0;
    std::atomic<bool> m_Stopping{false};
    std::atomic<int> m_Connections{0};
    std::thread m_Thread;
};

// A POP3 script that answers like a plain server with `count` messages.
LoopbackServer::Script Pop3Script(int count);
// The same, reading the count at each STAT; `count` must outlive the server.
LoopbackServer::Script Pop3Script(const std::atomic<int>& count);
