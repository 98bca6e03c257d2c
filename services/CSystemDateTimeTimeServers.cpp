// The list of time servers offered for setting the clock, kept for a day in a
// cache file in the family's shared directory. Settings defaults take the list
// from the cache only; a download runs in the background, never in the way of
// a start or a close.
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/Download.h"
#include "services/CSystemDateTime.h"
#include "services/VendorService.h"
#include "xlib/ReplaceFile.h"
#include "xlib/RunLog.h"
#include "xlib/XException.h"
#include "xlib/XPaths.h"

namespace {

// The vendor's time service answers the list request with the addresses
// between "|" (or a text with "<Error>").
// A list of host names: a few KiB at most.
constexpr size_t kListMaxBytes = 256 * 1024;

bool VendorTimeServerListFetch(XString& reply) {
    DownloadLimitScope limit(kListMaxBytes);
    return reply.DownloadFile(Vendor::TimeServerListUrl().c_str());
}

CSystemDateTime::TimeServerListFetch g_TimeServerListFetch = VendorTimeServerListFetch;

XString Today() {
    XDateTime now;
    now.SetToNow();
    XString today;
    now.Format(today, "YYYYMMDD");
    return today;
}

class ListRefresh;
ListRefresh& Refresh();

// The one download of the list that runs beside the program, filling the
// cache for the next defaults.
class ListRefresh {
public:
    ~ListRefresh() { Stop(); }

    void Begin() {
        {
            std::lock_guard<std::mutex> lock(m_Mutex);
            if (m_Running || m_Starting) return;
            if (m_Held) {
                m_Wanted = true;
                return;
            }
            m_Starting = true;
            m_StoppedWhileStarting = false;
        }
        // The web client is loaded and readied by the first download, not by
        // every run (a day's later runs find the list cached): that takes its
        // thirty libraries and its TLS library's start, some 10 ms and a few
        // megabytes. Its libraries register their clean-up at exit as they
        // start; this refresh's stop at exit is registered after them, so
        // that it comes first. Here, before the worker exists, so that the
        // start never runs while the process exits (on the worker it did,
        // and the address sanitizer saw half of OpenSSL's state left behind).
        // Outside the lock: a Begin on another thread meanwhile returns at
        // once instead of waiting for the start.
        static std::once_flag ready;
        std::call_once(ready, [] {
            PlatformDownloadInit();
            std::atexit([] { Refresh().Stop(); });
        });
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Starting = false;
        if (m_StoppedWhileStarting) return;
        if (m_Thread.joinable()) m_Thread.join();  // the last one, which has finished
        m_Stop.Reset();
        m_Running = true;
        try {
            m_Thread = std::thread(&ListRefresh::Run, this);
        } catch (const std::system_error&) {
            m_Running = false;
        }
    }

    void Hold() {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Held = true;
    }

    void Release() {
        bool wanted = false;
        {
            std::lock_guard<std::mutex> lock(m_Mutex);
            m_Held = false;
            wanted = m_Wanted;
            m_Wanted = false;
        }
        if (wanted) Begin();
    }

    void Stop() {
        std::thread thread;
        {
            std::lock_guard<std::mutex> lock(m_Mutex);
            m_Stop.Request();
            m_Wanted = false;
            if (m_Starting) m_StoppedWhileStarting = true;
            thread = std::move(m_Thread);
        }
        if (thread.joinable()) thread.join();
    }

    bool Wait(unsigned ms) {
        std::unique_lock<std::mutex> lock(m_Mutex);
        return m_Ended.wait_for(lock, std::chrono::milliseconds(ms), [this] { return !m_Running; });
    }

    // Counts the downloads that brought a list; a module notes the count when
    // it starts waiting for one.
    unsigned Generation() const { return m_Generation; }
    // The list the latest such download brought.
    std::vector<std::string> Latest() {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_Latest;
    }

private:
    void Run() {
        XGuard("CSystemDateTime list refresh", [&] {
            DownloadStopScope scope(m_Stop);
            XStringArray list;
            XString error;
            if (!CSystemDateTime::FetchTimeServerList(list, error)) {
                if (!m_Stop.IsRequested()) CSystemDateTime::LogTimeServerListFailure(error);
                return;
            }
            std::vector<std::string> latest;
            for (unsigned i = 0; i < list.GetCount(); ++i) latest.emplace_back(list.Get(i).c_str());
            std::lock_guard<std::mutex> lock(m_Mutex);
            m_Latest = std::move(latest);
            ++m_Generation;
        });
        {
            std::lock_guard<std::mutex> lock(m_Mutex);
            m_Running = false;
        }
        m_Ended.notify_all();
    }

    std::mutex m_Mutex;
    std::condition_variable m_Ended;
    std::thread m_Thread;
    bool m_Running = false;
    // Begin is loading the web client, outside the lock.
    bool m_Starting = false;
    bool m_StoppedWhileStarting = false;
    bool m_Held = false;
    bool m_Wanted = false;
    DownloadStop m_Stop;
    std::atomic<unsigned> m_Generation{0};
    std::vector<std::string> m_Latest;
};

ListRefresh& Refresh() {
    static ListRefresh refresh;
    return refresh;
}

}  // namespace

void CSystemDateTime::SetTimeServerListFetch(TimeServerListFetch fetch) {
    // Not under a background download's feet.
    Refresh().Stop();
    g_TimeServerListFetch = fetch ? fetch : VendorTimeServerListFetch;
    TimeServerFailureLogged() = false;
}

void CSystemDateTime::StopTimeServerListRefresh() { Refresh().Stop(); }

bool CSystemDateTime::WaitTimeServerListRefresh(unsigned ms) { return Refresh().Wait(ms); }

void CSystemDateTime::HoldTimeServerListRefresh() { Refresh().Hold(); }

void CSystemDateTime::ReleaseTimeServerListRefresh() { Refresh().Release(); }

void CSystemDateTime::LogTimeServerListFailure(const XString& error) {
    if (TimeServerFailureLogged().exchange(true)) return;
    std::string message = "Failed to download time server list. Msg=";
    message += error.c_str();
    WriteRunLog("Time server list", message, false);
}

XString CSystemDateTime::CacheFilePath() {
    XString path(SharedDir().c_str());
    path += kCacheFileName;
    return path;
}

// The reply's pieces between "|", line ends removed; blank pieces are no servers.
void CSystemDateTime::SetListFromReply(XString reply, XStringArray& list) {
    reply.RemoveString("\r\n");
    XStringArray& pieces = reply.Split("|");
    for (unsigned i = 0; i < pieces.GetCount(); ++i) {
        XString piece = pieces.Get(i);
        piece.Trim(' ');
        if (!piece.IsEmpty()) list.Add(piece.c_str());
    }
}

bool CSystemDateTime::ListFromCache(XStringArray& list) {
    XString cache;
    if (!cache.ReadFile(CacheFilePath().c_str()) || cache.GetLength() < 8) return false;
    // Only a cache that starts with a date is one.
    for (unsigned i = 0; i < 8; ++i)
        if (cache[i] < '0' || cache[i] > '9') return false;
    SetListFromReply(cache.Sub(8), list);
    return cache.BeginsWith(Today().c_str());
}

bool CSystemDateTime::FetchTimeServerList(XStringArray& list, XString& error) {
    bool filled = false;
    XGuard("CSystemDateTime::DownloadTimeServerList", [&] {
        list.Clear();
        if (ListFromCache(list)) {
            filled = true;
            return;
        }
        list.Clear();
        error = "";
        XString reply;
        if (!g_TimeServerListFetch(reply)) {
            error = "Error: timer server list download failed. Please make sure you are connected to the Internet.";
            return;
        }
        if (reply.FindFwd("<Error>") >= 0) {
            error = "Error: timer server list download failed. Msg=";
            error += reply;
            return;
        }
        reply.RemoveString("\r\n");
        SetListFromReply(reply, list);
        XString file = Today();
        file += reply;
        // Replaced in one step: a process that ends during the write (a close
        // does not wait for this) leaves yesterday's list, not half of today's.
        if (!WriteFileReplacing(file, CacheFilePath()))
            WriteRunLog("Error", "While in CSystemDateTime::DownloadTimeServerList, failed to write list.", false);
        filled = true;
    });
    return filled;
}

bool CSystemDateTime::DownloadTimeServerList(XString& error) { return FetchTimeServerList(TimeServers, error); }

void CSystemDateTime::DefaultTimeServerList() {
    TimeServers.Clear();
    // Today's list as the cache has it; an older one stands in while a
    // download brings the cache up to date for the next defaults.
    AwaitListUnlessCached();
}

void CSystemDateTime::AwaitListUnlessCached() {
    // Noted before the cache is read: a download that ends in between is
    // still taken.
    m_SeenGeneration = Refresh().Generation();
    if (ListFromCache(TimeServers)) {
        m_AwaitingList = false;
        return;
    }
    // Without a list of its own the module takes the download's when it ends.
    m_AwaitingList = TimeServers.GetCount() == 0;
    Refresh().Begin();
}

bool CSystemDateTime::HasArrivedList() const {
    return m_AwaitingList && Refresh().Generation() != m_SeenGeneration;
}

bool CSystemDateTime::PeekRefreshedList(XStringArray& list) const {
    if (!HasArrivedList() || TimeServers.GetCount() != 0) return false;
    for (const std::string& server : Refresh().Latest()) list.Add(server.c_str());
    return list.GetCount() != 0;
}

bool CSystemDateTime::TakeRefreshedList() {
    if (!HasArrivedList()) return false;
    m_AwaitingList = false;
    if (TimeServers.GetCount() != 0) return false;
    for (const std::string& server : Refresh().Latest()) TimeServers.Add(server.c_str());
    return TimeServers.GetCount() != 0;
}
