// The web client itself: libcurl, in whichever process runs the transfer (the
// fetch helper, or the program when no helper can be started). The same
// contract as PlatformDownload and PlatformDownloadInit.
#pragma once

#include <string>

#include "platform/Download.h"

bool CurlDownload(const DownloadRequest& request, DownloadSink& sink, std::string& error);
void CurlDownloadInit();
