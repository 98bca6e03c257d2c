// Decisions of the e-mail, internet, weather, wallpaper and help pages that do
// not depend on any window system: the account check and list line, the check
// intervals offered, the mail-server test, the help texts and command line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class CEmailAccount;
class XEmail;

// Message-box texts.
extern const char kAccountSelectText[];
extern const char kAccountTestOkTitle[];
extern const char kAccountTestOkText[];
extern const char kHelpSupportText[];
extern const char kHelpLaunchErrorTitle[];

// Runs of blanks (spaces and tabs) become one space; blanks at both ends go.
std::string CollapseBlanks(std::string_view text);

// The account check before "Add": nullptr when the server, user name and
// password are all non-blank, else the error text of the first blank one.
const char* AccountCheckError(std::string_view server, std::string_view user, std::string_view password);

// An account from the page's fields. The server and user name lose the blanks
// at their ends (never part of a host or a login); the password is kept as
// typed, since blanks may belong to it. The server text is otherwise passed on
// unchanged: the mail client decides what it means.
CEmailAccount AccountFromFields(std::string_view server, std::string_view user, std::string_view password,
                                int minutes);

// server + "   " + user name + "   Minutes=" + interval.
std::string AccountListLine(const CEmailAccount& account);

// The check intervals offered, in minutes, in list order; and the entry that
// shows `minutes` (the nearest one for a value not offered).
const std::vector<int>& CheckIntervals();
int CheckIntervalIndex(int minutes);

// Connects to the account's server and logs in, then disconnects. True on
// success; a failed disconnect is only logged. On a failed connection the
// error text is logged and returned in `error`.
bool TestEmailAccount(XEmail& client, const CEmailAccount& account, std::string& error);

// "Error: could not launch help file ..." followed by `details`.
std::string HelpLaunchErrorText(std::string_view details);
// The help page launcher's command line for the installation's Help.htm.
std::string HelpCommandLine();

// Whether `url` may be handed to the shell to open: only an http:// or
// https:// address with something after the scheme. Anything else (a file, a
// program, another scheme) can only come from a tampered settings file or a
// hostile answer, and is refused with a run-log entry.
bool WebPageMayOpen(std::string_view url);

// Keeps the digits of `text` only (a digits-only field can still be pasted into).
std::string DigitsOnly(std::string_view text);

