#include "platform/linux/FetchHelper.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <mutex>

#include "platform/ProgramDir.h"
#include "platform/linux/CurlDownload.h"

extern char** environ;

namespace FetchHelper {
namespace {

using Clock = std::chrono::steady_clock;

// The helper enforces the overall limit itself; the program ends it this
// long after, should it hang where libcurl's own clock cannot reach.
constexpr unsigned kGraceMs = 3000;
// A request is a few hundred bytes; anything near this is not one.
constexpr size_t kMaxRequest = 1u << 20;

std::mutex g_PathMutex;
std::string& PathSlot() {
    static std::string path = [] {
        const std::string dir = PlatformProgramDir();
        return dir.empty() ? std::string() : dir + "meadowglow-fetch";
    }();
    return path;
}
std::string Path() {
    std::lock_guard<std::mutex> lock(g_PathMutex);
    return PathSlot();
}

bool Runnable(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The request's encoding: little-endian integers, texts as a length and
// their bytes, an optional text behind a presence byte.
void PutU32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xff);
}
void PutU64(std::string& out, uint64_t v) {
    PutU32(out, static_cast<uint32_t>(v));
    PutU32(out, static_cast<uint32_t>(v >> 32));
}
void PutText(std::string& out, const std::string& text) {
    PutU32(out, static_cast<uint32_t>(text.size()));
    out += text;
}
void PutOptional(std::string& out, const char* text) {
    out += text ? '\1' : '\0';
    if (text) PutText(out, text);
}
uint32_t GetU32(const char* p) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(static_cast<unsigned char>(p[i])) << (8 * i);
    return v;
}

class Decoder {
public:
    explicit Decoder(const std::string& in) : m_In(in) {}
    bool Ok() const { return m_Ok && m_At == m_In.size(); }
    uint32_t U32() {
        if (!Take(4)) return 0;
        return GetU32(m_In.data() + m_At - 4);
    }
    uint64_t U64() {
        const uint64_t low = U32();
        return low | (static_cast<uint64_t>(U32()) << 32);
    }
    bool Flag() {
        if (!Take(1)) return false;
        return m_In[m_At - 1] != 0;
    }
    std::string Text() {
        const uint32_t n = U32();
        if (!Take(n)) return std::string();
        return m_In.substr(m_At - n, n);
    }
    bool Optional(std::string& into) {
        if (!Flag()) return false;
        into = Text();
        return true;
    }

private:
    bool Take(size_t n) {
        if (!m_Ok || n > m_In.size() - m_At) return m_Ok = false;
        m_At += n;
        return true;
    }
    const std::string& m_In;
    size_t m_At = 0;
    bool m_Ok = true;
};

std::string EncodeRequest(const DownloadRequest& rq) {
    std::string out;
    PutText(out, rq.host);
    PutU32(out, rq.port);
    PutText(out, rq.path);
    PutOptional(out, rq.username);
    PutOptional(out, rq.password);
    PutOptional(out, rq.agent);
    PutOptional(out, rq.proxy);
    out += rq.secure ? '\1' : '\0';
    out += rq.promptForAuth ? '\1' : '\0';
    PutU64(out, rq.maxBytes);
    PutU32(out, rq.overallMs);
    PutU32(out, DownloadStallLimitMs());
    return out;
}

// What the helper decodes: the request's texts are owned here and pointed at.
struct OwnedRequest {
    DownloadRequest rq;
    std::string username, password, agent, proxy;
    unsigned stallMs = 0;
};

bool DecodeRequest(const std::string& in, OwnedRequest& out) {
    Decoder d(in);
    DownloadRequest& rq = out.rq;
    rq.host = d.Text();
    rq.port = d.U32();
    rq.path = d.Text();
    rq.username = d.Optional(out.username) ? out.username.c_str() : nullptr;
    rq.password = d.Optional(out.password) ? out.password.c_str() : nullptr;
    rq.agent = d.Optional(out.agent) ? out.agent.c_str() : nullptr;
    rq.proxy = d.Optional(out.proxy) ? out.proxy.c_str() : nullptr;
    rq.secure = d.Flag();
    rq.promptForAuth = d.Flag();
    rq.maxBytes = static_cast<size_t>(d.U64());
    rq.overallMs = d.U32();
    out.stallMs = d.U32();
    return d.Ok();
}

bool SendAll(int fd, const char* p, size_t n) {
    while (n) {
        const ssize_t sent = send(fd, p, n, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += sent;
        n -= static_cast<size_t>(sent);
    }
    return true;
}

bool SendFrame(int fd, char type, const char* bytes, size_t n) {
    char head[5] = {type};
    for (int i = 0; i < 4; ++i) head[1 + i] = static_cast<char>((n >> (8 * i)) & 0xff);
    return SendAll(fd, head, sizeof head) && SendAll(fd, bytes, n);
}

// The helper's process, ended and reaped however the download ends: the stop's
// abort is taken out first, so that it never signals a reaped (reusable) id.
struct Child {
    pid_t pid = -1;
    int fd = -1;
    DownloadStop* stop = nullptr;
    bool abortInstalled = false;
    ~Child() {
        if (abortInstalled) stop->RemoveAbort();
        if (pid > 0) {
            kill(pid, SIGKILL);
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
        if (fd >= 0) close(fd);
    }
};

bool Start(const std::string& path, Child& child) {
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pair[1], 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    // The program's threads block or catch signals of their own; the helper
    // starts with none blocked and every one of them at its default.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int sig : {SIGPIPE, SIGTERM, SIGINT, SIGHUP, SIGQUIT, SIGCHLD, SIGALRM, SIGUSR1, SIGUSR2})
        sigaddset(&defaults, sig);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const std::string parent = std::to_string(getpid());
    char* argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>(parent.c_str()), nullptr};
    const int rc = posix_spawn(&child.pid, path.c_str(), &actions, &attr, argv, environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    close(pair[1]);
    if (rc != 0) {
        child.pid = -1;
        close(pair[0]);
        return false;
    }
    child.fd = pair[0];
    return true;
}

enum class Got { Ok, Ended, Late };

// Reads exactly `n` bytes, giving up at `end` when `hasEnd`.
Got ReadFull(int fd, char* p, size_t n, bool hasEnd, Clock::time_point end) {
    while (n) {
        int waitMs = -1;
        if (hasEnd) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            if (left <= 0) return Got::Late;
            waitMs = static_cast<int>(left) + 1;
        }
        pollfd pfd{fd, POLLIN, 0};
        const int ready = poll(&pfd, 1, waitMs);
        if (ready < 0 && errno != EINTR) return Got::Ended;
        if (ready <= 0) continue;
        const ssize_t got = recv(fd, p, n, 0);
        if (got < 0) {
            if (errno == EINTR || errno == EAGAIN) continue;
            return Got::Ended;
        }
        if (got == 0) return Got::Ended;
        p += got;
        n -= static_cast<size_t>(got);
    }
    return Got::Ok;
}

// Turns the helper's frames into the sink's calls; the failure's text, or
// empty when the helper reported success.
std::string Relay(Child& child, const DownloadRequest& rq, DownloadSink& sink) {
    using namespace DownloadText;
    const bool hasEnd = rq.overallMs != 0;
    const Clock::time_point end =
        Clock::now() + std::chrono::milliseconds(static_cast<long long>(rq.overallMs) + kGraceMs);
    bool headers = false;
    size_t bodyBytes = 0;
    std::string payload;
    // A helper that ends without its last frame, or sends one that is not
    // ours, failed where a transfer fails: before or after the answer began.
    auto broken = [&] { return headers ? std::string(kRead) : std::string(kSend); };
    auto ended = [&](Got got) {
        if (child.stop && child.stop->IsRequested()) return std::string(kStopped);
        if (got == Got::Late) return DownloadTooLongText(rq.overallMs);
        return broken();
    };
    while (true) {
        char head[5];
        Got got = ReadFull(child.fd, head, sizeof head, hasEnd, end);
        if (got != Got::Ok) return ended(got);
        const char type = head[0];
        const size_t n = GetU32(head + 1);
        const size_t cap = type == 'H' ? kMaxHeaderFrame : type == 'B' ? kMaxBodyFrame : type == 'E' ? kMaxErrorFrame : 0;
        const bool known = type == 'H' || type == 'B' || type == 'E' || type == 'K';
        if (!known || n > cap || (type == 'H' && headers) || (type == 'B' && !headers)) return broken();
        payload.resize(n);
        if (n && (got = ReadFull(child.fd, &payload[0], n, hasEnd, end)) != Got::Ok) return ended(got);
        switch (type) {
            case 'H':
                headers = true;
                sink.Headers(payload);
                break;
            case 'B':
                if (rq.maxBytes && n > rq.maxBytes - bodyBytes) return DownloadTooLargeText(rq.maxBytes);
                bodyBytes += n;
                sink.Body(payload.data(), n);
                break;
            case 'K':
                return std::string();
            default:
                return payload.empty() ? broken() : payload;
        }
    }
}

// The helper's sink: each call becomes frames on the socket. A program that
// has gone ends the transfer (the throw passes out of CurlDownload).
class FrameSink : public DownloadSink {
public:
    struct Gone {};
    struct HeadersTooLarge {};
    explicit FrameSink(int fd) : m_Fd(fd) {}
    void Headers(std::string_view raw) override {
        if (raw.size() > kMaxHeaderFrame) throw HeadersTooLarge();
        if (!SendFrame(m_Fd, 'H', raw.data(), raw.size())) throw Gone();
    }
    void Body(const char* bytes, size_t n) override {
        while (n) {
            const size_t piece = n < kMaxBodyFrame ? n : kMaxBodyFrame;
            if (!SendFrame(m_Fd, 'B', bytes, piece)) throw Gone();
            bytes += piece;
            n -= piece;
        }
    }

private:
    int m_Fd;
};

}  // namespace

Result Download(const DownloadRequest& rq, DownloadSink& sink, std::string& error) {
    const std::string path = Path();
    if (!Runnable(path)) return Result::Unavailable;
    DownloadStop* stop = CurrentDownloadStop();
    if (stop && stop->IsRequested()) {
        error = DownloadText::kStopped;
        return Result::Done;
    }
    Child child;
    if (!Start(path, child)) return Result::Unavailable;
    child.stop = stop;
    if (stop) {
        const pid_t pid = child.pid;
        if (!stop->InstallAbort([pid] { kill(pid, SIGKILL); })) {
            error = DownloadText::kStopped;
            return Result::Done;
        }
        child.abortInstalled = true;
    }
    const std::string request = EncodeRequest(rq);
    // A helper that is gone before it has read the request shows as an end
    // without frames, so a failed send needs no branch of its own.
    if (SendAll(child.fd, request.data(), request.size())) shutdown(child.fd, SHUT_WR);
    error = Relay(child, rq, sink);
    return Result::Done;
}

bool Available() { return Runnable(Path()); }

void SetPath(std::string path) {
    std::lock_guard<std::mutex> lock(g_PathMutex);
    PathSlot() = std::move(path);
}

int Serve(int fd) {
    std::string in;
    char buffer[4096];
    while (true) {
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return 2;
        if (got == 0) break;
        in.append(buffer, static_cast<size_t>(got));
        if (in.size() > kMaxRequest) return 2;
    }
    OwnedRequest request;
    if (!DecodeRequest(in, request)) return 2;
    if (request.stallMs) SetDownloadStallLimitMs(request.stallMs);
    FrameSink sink(fd);
    std::string error;
    bool ok = false;
    try {
        ok = CurlDownload(request.rq, sink, error);
    } catch (const FrameSink::Gone&) {
        return 1;
    } catch (const FrameSink::HeadersTooLarge&) {
        error = DownloadText::kRead;
    }
    if (ok) return SendFrame(fd, 'K', nullptr, 0) ? 0 : 1;
    if (error.size() > kMaxErrorFrame) error.resize(kMaxErrorFrame);
    return SendFrame(fd, 'E', error.data(), error.size()) ? 0 : 1;
}

}  // namespace FetchHelper
