#include "xlib/RunLog.h"

#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "xlib/XPaths.h"

#include <cstdio>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>

namespace {
// The log's state is never destroyed: a worker thread (the time-server list's
// download, a mail check) may still write an entry while the process's exit
// runs the static destructors.
std::mutex& RunLogMutex() {
    static std::mutex& m = *new std::mutex;
    return m;
}

uint32_t (*g_repeatClock)() = &PlatformTimeMs;

// What the log remembers of an entry it has written: when, and how many
// identical ones it has held back since. Keyed by the log's path too, so a
// new installation folder starts with a clean slate.
struct RepeatRecord {
    uint32_t writtenAt = 0;
    uint64_t heldBack = 0;
};
std::unordered_map<std::string, RepeatRecord>& RepeatRecords() {
    static auto& records = *new std::unordered_map<std::string, RepeatRecord>;
    return records;
}

// The message goes in as its length and hash: a message can be megabytes
// long, and the table must stay small whatever it holds.
std::string RepeatKey(const std::string& path, std::string_view subject, std::string_view message) {
    std::string key;
    key.reserve(path.size() + subject.size() + 48);
    key.append(path).append(1, '\0').append(subject).append(1, '\0');
    key += std::to_string(message.size());
    key += ':';
    key += std::to_string(std::hash<std::string_view>{}(message));
    return key;
}

// Decides, under the log's lock, whether an entry is written now. A repeat
// within the interval is only counted; the first one after it is written with
// the count of those held back. The table is bounded: when it fills, what has
// gone quiet for an interval is forgotten, and failing that all of it.
bool TakeRepeat(const std::string& key, uint64_t& heldBack) {
    auto& records = RepeatRecords();
    const uint32_t now = g_repeatClock();
    auto it = records.find(key);
    if (it != records.end()) {
        RepeatRecord& r = it->second;
        if (static_cast<uint32_t>(now - r.writtenAt) < kRunLogRepeatIntervalMs) {
            ++r.heldBack;
            return false;
        }
        heldBack = r.heldBack;
        r = RepeatRecord{now, 0};
        return true;
    }
    if (records.size() >= kRunLogRepeatTableLimit) {
        for (auto i = records.begin(); i != records.end();) {
            if (static_cast<uint32_t>(now - i->second.writtenAt) >= kRunLogRepeatIntervalMs)
                i = records.erase(i);
            else
                ++i;
        }
        if (records.size() >= kRunLogRepeatTableLimit) records.clear();
    }
    records.emplace(key, RepeatRecord{now, 0});
    heldBack = 0;
    return true;
}

std::unordered_map<std::string, long>& SizesAfterWrite() {
    static auto& sizes = *new std::unordered_map<std::string, long>;
    return sizes;
}

void ForgetRepeatsOf(const std::string& path) {
    auto& records = RepeatRecords();
    const std::string prefix = path + std::string(1, '\0');
    for (auto i = records.begin(); i != records.end();) {
        if (i->first.compare(0, prefix.size(), prefix) == 0)
            i = records.erase(i);
        else
            ++i;
    }
}
}  // namespace

void ForgetRunLogRepeats() {
    std::lock_guard<std::mutex> lock(RunLogMutex());
    RepeatRecords().clear();
}

void SetRunLogClockForTests(uint32_t (*clock)()) { g_repeatClock = clock ? clock : &PlatformTimeMs; }

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
        const std::string path = InstallDir() + "RunLog.txt";
        std::lock_guard<std::mutex> lock(RunLogMutex());
        // Opening a FIFO or a device in the log's place would wait for its
        // other end, holding every thread that logs.
        if (PlatformFileKind(path.c_str()) == FileKind::Other) return;
        long size = -1;
        if (FILE* f = std::fopen(path.c_str(), "rb")) {
            if (std::fseek(f, 0, SEEK_END) == 0) size = std::ftell(f);
            std::fclose(f);
        }
        const bool restart = startNew || size >= kRunLogLimit;
        // A failing account or a broken server can ask for the same entry
        // many times a second; written each time, it would push every other
        // entry out of the file and keep the disk busy. An entry is held back
        // only while the file is as this process left it: a log that
        // restarted, or that someone else emptied, removed or wrote to, takes
        // every entry afresh.
        long& sizeAfterLastWrite = SizesAfterWrite()[path];
        if (restart || size != sizeAfterLastWrite) ForgetRepeatsOf(path);
        uint64_t heldBack = 0;
        if (!TakeRepeat(RepeatKey(path, subject, message), heldBack)) return;
        const std::string repeated =
            heldBack ? " [... repeated " + std::to_string(heldBack) + " times]" : std::string();
        char when[32];
        FormatRunLogTime(PlatformLocalTime(), when);
        std::string entry;
        entry.reserve(kRunLogEntryLimit);
        entry += "*** LogEntry: ";
        entry += when;
        entry += "\r\nSubject = ";
        entry.append(subject);
        entry += "\r\nMessage = ";
        const size_t room = kRunLogEntryLimit - entry.size() - 4 - repeated.size();  // 4: the closing CR LF CR LF
        if (message.size() <= room) {
            entry.append(message);
        } else {
            const std::string marker = " [... cut: " + std::to_string(message.size()) + " characters in all]";
            entry.append(message.substr(0, room - marker.size()));
            entry += marker;
        }
        entry += repeated;
        entry += "\r\n\r\n";

        if (size >= kRunLogLimit) std::remove(path.c_str());
        FILE* f = std::fopen(path.c_str(), restart ? "wb" : "ab");
        if (!f) return;
        std::fwrite(entry.data(), 1, entry.size(), f);
        // The end, sought: the C library of Windows gives an append stream's
        // position from where it was opened, not from the file's end.
        sizeAfterLastWrite = std::fseek(f, 0, SEEK_END) == 0 ? std::ftell(f) : -2;
        std::fclose(f);
    } catch (...) {
        // The run log never reports its own failures.
    }
}
