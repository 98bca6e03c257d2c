#include "tests/LoopbackServer.h"

#include <memory>

bool LoopbackConnection::Send(const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const int n = testsock::Send(m_Socket, data.data() + done, static_cast<int>(data.size() - done));
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

std::string LoopbackConnection::RecvLine() {
    for (;;) {
        const size_t end = m_Pending.find("\r\n");
        if (end != std::string::npos) {
            std::string line = m_Pending.substr(0, end);
            m_Pending.erase(0, end + 2);
            return line;
        }
        if (m_Stopping) return std::string();
        const int ready = testsock::WaitReadable(m_Socket, 20);
        if (ready < 0) return std::string();
        if (ready == 0) continue;
        char buffer[1024];
        const int n = testsock::Recv(m_Socket, buffer, sizeof buffer);
        if (n <= 0) return std::string();
        m_Pending.append(buffer, static_cast<size_t>(n));
        m_Received.append(buffer, static_cast<size_t>(n));
    }
}

void LoopbackConnection::HoldSilently() {
    while (!m_Stopping) {
        const int ready = testsock::WaitReadable(m_Socket, 20);
        if (ready < 0) return;
        if (ready == 0) continue;
        char buffer[1024];
        const int n = testsock::Recv(m_Socket, buffer, sizeof buffer);
        if (n <= 0) return;
        m_Received.append(buffer, static_cast<size_t>(n));
    }
}

LoopbackServer::LoopbackServer(Script script) : m_Script(std::move(script)) {
    m_Listener = testsock::ListenLoopback(m_Port);
    if (m_Listener >= 0) m_Thread = std::thread(&LoopbackServer::Run, this);
}

LoopbackServer::~LoopbackServer() {
    m_Stopping = true;
    if (m_Thread.joinable()) m_Thread.join();
    if (m_Listener >= 0) testsock::Close(m_Listener);
}

void LoopbackServer::Run() {
    while (!m_Stopping) {
        if (testsock::WaitReadable(m_Listener, 20) != 1) continue;
        const intptr_t s = testsock::Accept(m_Listener);
        if (s < 0) continue;
        ++m_Connections;
        LoopbackConnection connection(s, m_Stopping);
        m_Script(connection);
        testsock::Close(s);
    }
}

LoopbackServer::Script Pop3Script(const std::atomic<int>& count) {
    return [&count](LoopbackConnection& c) {
        c.Send("+OK ready\r\n");
        for (std::string line = c.RecvLine(); !line.empty(); line = c.RecvLine()) {
            if (line == "STAT") {
                c.Send("+OK " + std::to_string(count.load()) + " 1000\r\n");
            } else if (line == "QUIT") {
                c.Send("+OK bye\r\n");
                return;
            } else {
                c.Send("+OK\r\n");
            }
        }
    };
}

LoopbackServer::Script Pop3Script(int count) {
    auto fixed = std::make_shared<std::atomic<int>>(count);
    return [fixed](LoopbackConnection& c) { Pop3Script(*fixed)(c); };
}
