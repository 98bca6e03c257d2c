// Downloads run in a helper process, "meadowglow-fetch" beside the program,
// so that libcurl, TLS and the thirty libraries under them never enter the
// saver's own process (8 MB it would keep for the rest of a run), and so that
// whatever a server sends is parsed where a fault ends one helper, not the
// saver. The program and the helper talk over a socket pair in frames:
//   request (program -> helper): the DownloadRequest's fields, then end of stream;
//   answer (helper -> program): 'H' headers at most once, 'B' body pieces,
//   then 'K' (done) or 'E' (failed, with the error text).
// Each frame is a type byte, a 4-byte little-endian length, then that many bytes.
#pragma once

#include <cstddef>
#include <string>

#include "platform/Download.h"

namespace FetchHelper {

enum class Result {
    Done,        // the helper ran the request; `error` says how it went
    Unavailable  // no helper could be started: the caller downloads itself
};

// Runs the request through the helper. A stop bound to the calling thread
// ends the helper at once; so does the request's overall limit, with a grace
// of a few seconds, should the helper itself hang. Exceptions from the sink
// pass through, the helper ended and reaped.
Result Download(const DownloadRequest& request, DownloadSink& sink, std::string& error);

// Whether a helper is there to be started (its file exists and may run).
bool Available();

// The helper's path: by default "meadowglow-fetch" in the program's folder.
// Empty: no helper, every download runs in this process. For the tests.
void SetPath(std::string path);

// The helper's side: reads one request from `fd`, downloads it with libcurl
// and writes the answer's frames back. Returns the process's exit code.
int Serve(int fd);

// Frame limits, checked by the program on what the helper sends.
constexpr size_t kMaxHeaderFrame = 1u << 20;
constexpr size_t kMaxBodyFrame = 1u << 16;
constexpr size_t kMaxErrorFrame = 4096;

}  // namespace FetchHelper
