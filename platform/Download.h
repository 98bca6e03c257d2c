// One HTTP GET with the operating system's web client (WinINet on Windows,
// libcurl elsewhere), and the stop that lets another thread end a transfer
// at once. XString::DownloadFile is the only caller of PlatformDownload.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>

struct DownloadRequest {
    std::string host;
    unsigned port = 0;  // 0: the scheme's default
    std::string path;   // from the first "/", query included; empty asks for the root
    const char* username = nullptr;
    const char* password = nullptr;
    const char* agent = nullptr;  // null: "XString.DownloadFile"
    const char* proxy = nullptr;  // null: a direct connection, whatever the environment says
    bool secure = false;
    bool promptForAuth = false;
    // The most body bytes taken: past it the transfer ends with kTooLarge.
    // 0: no cap (XString::DownloadFile always sets one).
    size_t maxBytes = 0;
    // The whole request, every send and redirect included, ends this long
    // after it began, progress or not (kTooLong). 0: no such end.
    unsigned overallMs = 0;
};

// Where the answer goes: the raw headers of the final response once (CR LF
// lines as the server sent them), then its body in pieces, bytes unchanged.
class DownloadSink {
public:
    virtual ~DownloadSink() = default;
    virtual void Headers(std::string_view raw) = 0;
    virtual void Body(const char* bytes, size_t n) = 0;
};

// Performs the request. False on failure, with the "Error: in
// XString::DownloadFile ..." text in `error`. Exceptions from the sink pass
// through (with every handle closed).
bool PlatformDownload(const DownloadRequest& request, DownloadSink& sink, std::string& error);

// Readies the web client and the libraries under it. A worker that may still
// be downloading while the process exits is set up after this call, so that
// its stop at exit runs before those libraries' own clean-up.
void PlatformDownloadInit();

// A stop shared by a worker and the thread that ends it. Request() ends the
// transfer in progress on every thread bound to it, at once, and makes later
// downloads there fail before they start, until Reset().
class DownloadStop {
public:
    void Request();
    void Reset() { m_Requested = false; }
    bool IsRequested() const { return m_Requested; }

    // For the implementations: `abort` breaks the transfer out of whatever it
    // waits for; it runs at most once, on the requesting thread. False (and
    // nothing installed) when the stop was already requested.
    bool InstallAbort(std::function<void()> abort);
    // After this returns the abort no longer runs. True when it did run.
    bool RemoveAbort();

private:
    std::mutex m_Mutex;
    std::atomic<bool> m_Requested{false};
    std::function<void()> m_Abort;
    bool m_Aborted = false;
};

// Binds a stop to the downloads the calling thread makes while the scope lives.
class DownloadStopScope {
public:
    explicit DownloadStopScope(DownloadStop& stop);
    ~DownloadStopScope();
    DownloadStopScope(const DownloadStopScope&) = delete;
    DownloadStopScope& operator=(const DownloadStopScope&) = delete;

private:
    DownloadStop* m_Previous;
};

// The stop bound to the calling thread, or null.
DownloadStop* CurrentDownloadStop();

// How long a connection or a read may go without any progress before the
// download gives up (30 seconds unless changed; tests shorten it).
void SetDownloadStallLimitMs(unsigned ms);
unsigned DownloadStallLimitMs();

// Every answer the program downloads is small, and a server may send one
// without end, or a byte a second for ever. So each download has a size cap
// and an overall time limit. Callers narrow them with a scope; scopes nest,
// and an inner one can only narrow what an outer one allows.
constexpr size_t kDefaultDownloadMaxBytes = 4u << 20;
class DownloadLimitScope {
public:
    // maxBytes: the cap on each body (0: the outer scope's, or the default).
    // withinMs: every download the thread starts in the scope ends by this
    // long after the scope began (0: no end of its own). For work that must
    // be over soon, such as what runs after the window has closed.
    explicit DownloadLimitScope(size_t maxBytes, unsigned withinMs = 0);
    ~DownloadLimitScope();
    DownloadLimitScope(const DownloadLimitScope&) = delete;
    DownloadLimitScope& operator=(const DownloadLimitScope&) = delete;

    size_t MaxBytes() const { return m_MaxBytes; }
    // The scope's end on the steady clock in ms; 0: none.
    long long EndMs() const { return m_EndMs; }

private:
    DownloadLimitScope* m_Previous;
    size_t m_MaxBytes;
    long long m_EndMs;
};

// The limits for one download the calling thread starts now: the cap of the
// innermost scope (or the default), and the shorter of the overall limit and
// what is left of the scopes' time (at least 1 ms).
struct DownloadLimits {
    size_t maxBytes;
    unsigned overallMs;
};
DownloadLimits CurrentDownloadLimits();

// How long one request may take in all (60 seconds unless changed; tests
// shorten it).
void SetDownloadOverallLimitMs(unsigned ms);
unsigned DownloadOverallLimitMs();

// The failure texts both implementations share.
namespace DownloadText {
constexpr const char* kOpen = "Error: in XString::DownloadFile failed to open connection.";
constexpr const char* kOpenProxy = "Error: in XString::DownloadFile failed to open proxy connection.";
constexpr const char* kConnect = "Error: in XString::DownloadFile failed to connect to the server.";
constexpr const char* kOpenRequest = "Error: in XString::DownloadFile GET request failed.";
constexpr const char* kSend = "Error: in XString::DownloadFile send request failed.";
constexpr const char* kQueryStatus = "Error: in XString::DownloadFile query information failed.";
constexpr const char* kAuth1 = "Error: in XString::DownloadFile authentication failed(1).";
constexpr const char* kAuth2 = "Error: in XString::DownloadFile authentication failed(2).";
constexpr const char* kSetUser = "Error: in XString::DownloadFile set options failed for username=";
constexpr const char* kSetPassword =
    "Error: in XString::DownloadFile set options failed for password [**DO NOT SHOW**]";
constexpr const char* kQueryHeaders = "Error: in XString::DownloadFile query information for raw headers failed.";
constexpr const char* kRead = "Error: in XString::DownloadFile read data failed.";
constexpr const char* kStopped = "Error: in XString::DownloadFile stopped before the transfer ended.";
// Followed by the limit in seconds and " seconds.".
constexpr const char* kStalled = "Error: in XString::DownloadFile no answer from the server for ";
// Followed by the cap and " bytes.".
constexpr const char* kTooLarge = "Error: in XString::DownloadFile the answer is larger than ";
// Followed by the limit in seconds and " seconds.".
constexpr const char* kTooLong = "Error: in XString::DownloadFile the transfer did not end within ";
}  // namespace DownloadText

// kStalled with the current limit: "... for 30 seconds.".
std::string DownloadStalledText();
// kTooLarge with `maxBytes`: "... larger than 262144 bytes.".
std::string DownloadTooLargeText(size_t maxBytes);
// kTooLong with `overallMs`: "... within 60 seconds.".
std::string DownloadTooLongText(unsigned overallMs);
// The agent name a request without one uses.
constexpr const char* kDefaultDownloadAgent = "XString.DownloadFile";
