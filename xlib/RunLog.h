// The run log: "RunLog.txt" in the installation directory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Appends one entry (or starts the file afresh with `startNew`). The file is
// restarted when it has reached 256 KiB. One entry takes at most
// kRunLogEntryLimit bytes: a longer subject is cut, and a longer message is
// cut and ends with a marker giving its full length. Failures are silent: the entry is lost.
// Each entry is composed in memory and written with one call under a
// process-wide lock, so entries from concurrent threads never interleave.
//
// An entry identical to one written less than a minute before (same subject,
// same message) is not written but counted; the first one after the minute is
// written with " [... repeated N times]" giving how many were held back.
// A new start forgets what was written before.
void WriteRunLog(std::string_view subject, std::string_view message, bool startNew = false);

// Forgets every entry written so far, as to repeats.
void ForgetRunLogRepeats();
// Replaces the millisecond clock that times repeats (nullptr: the real one).
void SetRunLogClockForTests(uint32_t (*clock)());

// Takes the run log's lock and never gives it back: for a process about to
// end at once while other threads still run, so that no entry is cut short by
// the end or begun after it.
void HoldRunLogForExit();

// The local time as "MM/DD/YYYY hh:mm:ss.ii tt", as the entries carry it.
struct LocalTimeParts;
void FormatRunLogTime(const LocalTimeParts& t, char out[32]);

constexpr long kRunLogLimit = 0x40000;  // 256 KiB
constexpr size_t kRunLogEntryLimit = 4096;
constexpr size_t kRunLogSubjectLimit = 256;
constexpr uint32_t kRunLogRepeatIntervalMs = 60000;
// Distinct entries remembered for the repeat rule.
constexpr size_t kRunLogRepeatTableLimit = 4096;
