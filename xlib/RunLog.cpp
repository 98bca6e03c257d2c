#include "xlib/RunLog.h"

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "xlib/XPaths.h"

#include <cstdio>
#include <mutex>
#include <string>

namespace {
std::mutex& RunLogMutex() {
    static std::mutex m;
    return m;
}
}  // namespace

void HoldRunLogForExit() { RunLogMutex().lock(); }

void FormatRunLogTime(const LocalTimeParts& t, char out[32]) {
    int h12 = t.hour % 12;
    if (h12 == 0) h12 = 12;
    // Every field is cut to its width, so the text is always 26 characters.
    char text[64];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d %02d:%02d:%02d.%03d %s", t.month % 100, t.day % 100,
                  t.year % 10000, h12, t.minute % 100, t.second % 100, t.millisecond % 1000,
                  t.hour < 12 ? "AM" : "PM");
    std::snprintf(out, 32, "%.31s", text);
}

void WriteRunLog(std::string_view subject, std::string_view message, bool startNew) {
    try {
        // One entry stays readable and small, whatever text a damaged setting
        // or a hostile reply puts into it.
        if (subject.size() > kRunLogSubjectLimit) subject = subject.substr(0, kRunLogSubjectLimit);
        char when[32];
        FormatRunLogTime(PlatformLocalTime(), when);
        std::string entry;
        entry.reserve(kRunLogEntryLimit);
        entry += "*** LogEntry: ";
        entry += when;
        entry += "\r\nSubject = ";
        entry.append(subject);
        entry += "\r\nMessage = ";
        const size_t room = kRunLogEntryLimit - entry.size() - 4;  // 4: the closing CR LF CR LF
        if (message.size() <= room) {
            entry.append(message);
        } else {
            const std::string marker = " [... cut: " + std::to_string(message.size()) + " characters in all]";
            entry.append(message.substr(0, room - marker.size()));
            entry += marker;
        }
        entry += "\r\n\r\n";

        const std::string path = InstallDir() + "RunLog.txt";
        std::lock_guard<std::mutex> lock(RunLogMutex());
        // Opening a FIFO or a device in the log's place would wait for its
        // other end, holding every thread that logs.
        if (PlatformFileKind(path.c_str()) == FileKind::Other) return;
        if (FILE* f = std::fopen(path.c_str(), "rb")) {
            long size = -1;
            if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
            std::fclose(f);
            if (size >= kRunLogLimit) std::remove(path.c_str());
        }
        FILE* f = std::fopen(path.c_str(), startNew ? "wb" : "ab");
        if (!f) return;
        std::fwrite(entry.data(), 1, entry.size(), f);
        std::fclose(f);
    } catch (...) {
        // The run log never reports its own failures.
    }
}
