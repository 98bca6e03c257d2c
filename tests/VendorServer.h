// The loopback vendor server (tests/tools/vendor_server.py) started for a
// test and stopped again: its knobs are a JSON file the server reads for
// every request, and it records each request as one JSON line.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

class VendorServer {
public:
    // Starts the server on a free port and waits until it listens.
    VendorServer();
    // Stops it (it notices within a fraction of a second).
    ~VendorServer();
    VendorServer(const VendorServer&) = delete;
    VendorServer& operator=(const VendorServer&) = delete;

    bool IsReady() const { return m_Port != 0; }
    const std::string& Error() const { return m_Error; }
    unsigned Port() const { return m_Port; }
    // "127.0.0.1:port", as MEADOWGLOW_VENDOR_HOST and proxies take it.
    std::string HostPort() const;
    // "http://127.0.0.1:port" + pathAndQuery.
    std::string Url(const std::string& pathAndQuery) const;

    // Replaces the knobs (a JSON object, e.g. R"({"mode": "404"})"); "{}" for the defaults.
    void SetKnobs(const std::string& json);
    // Forgets the requests recorded so far.
    void ClearRequests();
    // The requests recorded so far, one JSON line each, oldest first.
    std::vector<std::string> Requests() const;

    // A top-level string field of a recorded request ("target", "path",
    // "query", "version", "host", "credentials", "mode"); empty for null or missing.
    static std::string Field(const std::string& request, const std::string& name);
    // A request header, by its name as sent ("User-Agent").
    static std::string Header(const std::string& request, const std::string& name);
    static bool ViaProxy(const std::string& request);

private:
    std::string m_Dir;      // as this program's file API names it
    std::string m_UnixDir;  // as the server names it
    unsigned m_Port = 0;
    std::string m_Error;
};

// What the platform does to run the server: start a host program without
// waiting for it (false + error text on failure), and the host's name for a
// path this program uses.
bool SpawnHostProgram(const std::vector<std::string>& argv, std::string& error);
// The folder for the server's files: this program's name for it and the host's.
void VendorServerFolder(std::string& local, std::string& host);
// Sets (or, with null, removes) an environment variable of this process.
void SetProcessEnv(const char* name, const char* value);

// Where the program's vendor requests go when no test server is wanted: the
// discard port on loopback, which refuses at once.
constexpr const char* kNoVendorHost = "127.0.0.1:9";

// One server for a whole test suite, started before its first test and
// stopped after its last. Each test starts from the default knobs and no
// recorded requests; AimVendorHost sends the program's vendor requests to
// the server until the test ends.
class VendorServerSuite : public ::testing::Test {
public:
    static void UseVendorHost(const std::string& host);

protected:
    static void SetUpTestSuite() { s_Server = new VendorServer; }
    static void TearDownTestSuite() {
        delete s_Server;
        s_Server = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(s_Server->IsReady()) << s_Server->Error();
        s_Server->SetKnobs("{}");
        s_Server->ClearRequests();
    }
    void TearDown() override {
        if (m_Aimed) UseVendorHost(kNoVendorHost);
    }
    void AimVendorHost() {
        m_Aimed = true;
        UseVendorHost(s_Server->HostPort());
    }
    static VendorServer& Server() { return *s_Server; }

private:
    bool m_Aimed = false;
    static inline VendorServer* s_Server = nullptr;
};
