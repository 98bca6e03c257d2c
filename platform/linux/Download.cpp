// Where a download runs: in the fetch helper when there is one, so that the
// web client's libraries stay out of this process; here when none starts.
#include "platform/Download.h"

#include "platform/linux/CurlDownload.h"
#include "platform/linux/FetchHelper.h"

void PlatformDownloadInit() {
    if (!FetchHelper::Available()) CurlDownloadInit();
}

bool PlatformDownload(const DownloadRequest& rq, DownloadSink& sink, std::string& error) {
    if (FetchHelper::Download(rq, sink, error) == FetchHelper::Result::Done) return error.empty();
    return CurlDownload(rq, sink, error);
}
