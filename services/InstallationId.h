// "Id.dat" names this installation to the vendor's services, and the news
// page's file is named after it, so only the forms this program writes are
// ever taken from it.
#pragma once

#include <string_view>

#include "xlib/XString.h"

// A GUID, 8-4-4-4-12 hexadecimal digits; or the 16-digit time stamp written
// where no GUID could be made.
bool InstallationIdWellFormed(std::string_view id);

// A new id: a GUID, or the time stamp where none can be made.
XString MakeInstallationId();

// The id held in `path` (Id.dat), blanks and line ends around it ignored.
// `found` tells whether a file was there. A file that cannot be read gives an
// empty id. One that holds anything else than a well-formed id is replaced by
// a new one, with a run-log entry under `subject`; the new id is given, or an
// empty one when it could not be saved.
XString ReadInstallationId(const XString& path, const char* subject, bool& found, bool& readable);
