// HTTP GET with libcurl, shaped like the Windows client: HTTP/1.0, no cache,
// redirects followed, the 401/407 loop of at most three sends. The transfer
// runs on a multi handle so that a stop can wake its wait at once, a
// connection or read that makes no progress for the stall limit gives up, and
// so does a request past its overall limit or a body past its cap.
#include "platform/linux/CurlDownload.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <exception>
#include <mutex>

#include "platform/linux/LateLibrary.h"

namespace {

// libcurl, loaded with the first download: a run that downloads nothing (a
// day's later runs, the settings preview) does not map it nor the thirty
// libraries under it, TLS among them.
#define CURL_CALLS(X) \
    X(global_init) X(easy_init) X(easy_cleanup) X(easy_setopt) X(easy_getinfo) X(multi_init) X(multi_cleanup) \
    X(multi_add_handle) X(multi_remove_handle) X(multi_perform) X(multi_poll) X(multi_info_read) \
    X(multi_wakeup) X(slist_append) X(slist_free_all)
#define CURL_CALLS_MEMBER(name) MG_LATE_MEMBER(curl_, name)
#define CURL_CALLS_BIND(name) MG_LATE_BIND(curl_, name)
struct CurlCalls {
    CURL_CALLS(CURL_CALLS_MEMBER)
};

// Loaded and started once; null when the library cannot be had.
const CurlCalls* Curl() {
    static const CurlCalls* started = []() -> const CurlCalls* {
        const CurlCalls* c = LateCalls<CurlCalls>("libcurl.so.4", [](LateLibrary& lib, CurlCalls& calls) {
            CURL_CALLS(CURL_CALLS_BIND)
        });
        return c && c->global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK ? c : nullptr;
    }();
    return started;
}
#undef CURL_CALLS_BIND
#undef CURL_CALLS_MEMBER
#undef CURL_CALLS

using Clock = std::chrono::steady_clock;

struct Transfer {
    DownloadSink* sink = nullptr;
    CURL* easy = nullptr;
    std::string headers;         // of the response being received
    bool headersDelivered = false;
    bool anyResponse = false;    // a status line arrived
    Clock::time_point lastProgress;
    std::exception_ptr failure;  // thrown by the sink, rethrown after clean-up
    size_t maxBytes = 0;         // 0: no cap
    size_t bodyBytes = 0;        // handed to the sink so far
    bool tooLarge = false;

    long Status() const {
        long code = 0;
        Curl()->easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &code);
        return code;
    }
    void DeliverHeaders() {
        if (headersDelivered) return;
        headersDelivered = true;
        sink->Headers(headers);
    }
};

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    t->lastProgress = Clock::now();
    // Each response (a redirect, an authentication round) starts afresh: only
    // the last one's headers are the answer's.
    if (n >= 5 && std::string_view(data, 5) == "HTTP/") {
        t->headers.clear();
        t->anyResponse = true;
    }
    t->headers.append(data, n);
    return n;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    t->lastProgress = Clock::now();
    const long status = t->Status();
    if (status == 401 || status == 407) return n;  // an authentication round's page is dropped
    if (t->maxBytes && n > t->maxBytes - t->bodyBytes) {
        t->tooLarge = true;
        return 0;  // ends the transfer with a write error
    }
    t->bodyBytes += n;
    try {
        t->DeliverHeaders();
        t->sink->Body(data, n);
    } catch (...) {
        t->failure = std::current_exception();
        return 0;  // ends the transfer with a write error
    }
    return n;
}

// Owns the handles and takes the stop's abort out before they go.
struct Handles {
    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    curl_slist* headers = nullptr;
    DownloadStop* stop = nullptr;
    bool abortInstalled = false;
    ~Handles() {
        if (abortInstalled) stop->RemoveAbort();
        if (multi && easy) Curl()->multi_remove_handle(multi, easy);
        if (easy) Curl()->easy_cleanup(easy);
        if (multi) Curl()->multi_cleanup(multi);
        if (headers) Curl()->slist_free_all(headers);
    }
};

enum class Outcome { Done, Stopped, Stalled, TooLong, Failed };

// One send: runs the transfer until it ends, the stop comes, the stall limit
// or the request's end (`end`, when `hasEnd`) passes.
Outcome Perform(Handles& h, Transfer& t, CURLcode& result, bool hasEnd, Clock::time_point end) {
    t.headers.clear();
    t.anyResponse = false;
    t.lastProgress = Clock::now();
    if (Curl()->multi_add_handle(h.multi, h.easy) != CURLM_OK) {
        result = CURLE_FAILED_INIT;
        return Outcome::Failed;
    }
    const auto limit = std::chrono::milliseconds(DownloadStallLimitMs());
    Outcome outcome = Outcome::Failed;
    while (true) {
        int running = 0;
        if (Curl()->multi_perform(h.multi, &running) != CURLM_OK) {
            result = CURLE_FAILED_INIT;
            break;
        }
        int queued = 0;
        bool done = false;
        while (CURLMsg* msg = Curl()->multi_info_read(h.multi, &queued)) {
            if (msg->msg == CURLMSG_DONE) {
                result = msg->data.result;
                done = true;
            }
        }
        if (done || running == 0) {
            outcome = result == CURLE_OK ? Outcome::Done : Outcome::Failed;
            break;
        }
        if (h.stop && h.stop->IsRequested()) {
            outcome = Outcome::Stopped;
            break;
        }
        const Clock::time_point now = Clock::now();
        if (hasEnd && now >= end) {
            outcome = Outcome::TooLong;
            break;
        }
        const auto idle = now - t.lastProgress;
        if (idle >= limit) {
            outcome = Outcome::Stalled;
            break;
        }
        long long left = std::chrono::duration_cast<std::chrono::milliseconds>(limit - idle).count();
        if (hasEnd)
            left = std::min<long long>(left, std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count());
        Curl()->multi_poll(h.multi, nullptr, 0, static_cast<int>(std::min<long long>(left + 1, 1000)), nullptr);
    }
    Curl()->multi_remove_handle(h.multi, h.easy);
    return outcome;
}

}  // namespace

void CurlDownloadInit() { Curl(); }

namespace {
// The failure's text, or empty on success.
std::string Download(const DownloadRequest& rq, DownloadSink& sink) {
    using namespace DownloadText;
    DownloadStop* stop = CurrentDownloadStop();
    if (stop && stop->IsRequested()) return kStopped;
    if (!Curl()) return rq.proxy ? kOpenProxy : kOpen;

    Handles h;
    h.stop = stop;
    h.easy = Curl()->easy_init();
    h.multi = Curl()->multi_init();
    if (!h.easy || !h.multi) return rq.proxy ? kOpenProxy : kOpen;
    if (rq.host.empty() || rq.port > 65535) return kConnect;

    std::string url = rq.secure ? "https://" : "http://";
    url += rq.host;
    if (rq.port) url += ":" + std::to_string(rq.port);
    url += rq.path.empty() ? std::string("/") : rq.path;

    const bool hasEnd = rq.overallMs != 0;
    const Clock::time_point end = Clock::now() + std::chrono::milliseconds(rq.overallMs);
    Transfer t;
    t.sink = &sink;
    t.easy = h.easy;
    t.maxBytes = rq.maxBytes;
    h.headers = Curl()->slist_append(h.headers, "Pragma: no-cache");
    h.headers = Curl()->slist_append(h.headers, "Cache-Control: no-cache");
    CURL* e = h.easy;
    bool ok = Curl()->easy_setopt(e, CURLOPT_URL, url.c_str()) == CURLE_OK;
    Curl()->easy_setopt(e, CURLOPT_HTTPGET, 1L);
    Curl()->easy_setopt(e, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    Curl()->easy_setopt(e, CURLOPT_USERAGENT, rq.agent ? rq.agent : kDefaultDownloadAgent);
    Curl()->easy_setopt(e, CURLOPT_HTTPHEADER, h.headers);
    Curl()->easy_setopt(e, CURLOPT_FOLLOWLOCATION, 1L);
    Curl()->easy_setopt(e, CURLOPT_MAXREDIRS, 10L);
    Curl()->easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    Curl()->easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    Curl()->easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    // A direct session stays direct whatever proxy the environment names.
    Curl()->easy_setopt(e, CURLOPT_PROXY, rq.proxy ? rq.proxy : "");
    Curl()->easy_setopt(e, CURLOPT_NOPROXY, "");
    Curl()->easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(DownloadStallLimitMs()));
    // An announced length past the cap is refused before any of the body comes.
    if (rq.maxBytes) Curl()->easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(rq.maxBytes));
    if (rq.secure) {
        // The chain is still checked; a certificate for another name is accepted.
        Curl()->easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
        Curl()->easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 0L);
    }
    Curl()->easy_setopt(e, CURLOPT_HEADERFUNCTION, OnHeader);
    Curl()->easy_setopt(e, CURLOPT_HEADERDATA, &t);
    Curl()->easy_setopt(e, CURLOPT_WRITEFUNCTION, OnBody);
    Curl()->easy_setopt(e, CURLOPT_WRITEDATA, &t);
    if (!ok) return kOpenRequest;

    if (stop) {
        CURLM* multi = h.multi;
        if (!stop->InstallAbort([multi] { Curl()->multi_wakeup(multi); })) return kStopped;
        h.abortInstalled = true;
    }

    for (int send = 0; send < 3; ++send) {
        CURLcode result = CURLE_OK;
        const Outcome outcome = Perform(h, t, result, hasEnd, end);
        if (t.failure) std::rethrow_exception(t.failure);
        if (outcome == Outcome::Stopped) return kStopped;
        if (t.tooLarge || result == CURLE_FILESIZE_EXCEEDED) return DownloadTooLargeText(rq.maxBytes);
        if (outcome == Outcome::TooLong) return DownloadTooLongText(rq.overallMs);
        if (outcome == Outcome::Stalled || result == CURLE_OPERATION_TIMEDOUT) return DownloadStalledText();
        if (outcome == Outcome::Failed) {
            if (result == CURLE_URL_MALFORMAT || result == CURLE_UNSUPPORTED_PROTOCOL) return kOpenRequest;
            return t.anyResponse ? kRead : kSend;
        }
        const long status = t.Status();
        if (status == 0) return kQueryStatus;
        if (status != 401 && status != 407) {
            t.DeliverHeaders();  // a response without a body still has its headers
            return std::string();
        }
        // There is no dialog to ask for credentials here.
        if (rq.promptForAuth || !rq.username || !rq.password) return kAuth1;
        const bool proxy = status == 407;
        if (Curl()->easy_setopt(e, proxy ? CURLOPT_PROXYUSERNAME : CURLOPT_USERNAME, rq.username) != CURLE_OK)
            return std::string(kSetUser) + rq.username;
        if (Curl()->easy_setopt(e, proxy ? CURLOPT_PROXYPASSWORD : CURLOPT_PASSWORD, rq.password) != CURLE_OK)
            return kSetPassword;
        Curl()->easy_setopt(e, proxy ? CURLOPT_PROXYAUTH : CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_ANY));
    }
    return kAuth2;
}
}  // namespace

bool CurlDownload(const DownloadRequest& rq, DownloadSink& sink, std::string& error) {
    error = Download(rq, sink);
    return error.empty();
}
