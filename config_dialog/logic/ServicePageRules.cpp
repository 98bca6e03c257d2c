#include "config_dialog/logic/ServicePageRules.h"

#include <cctype>
#include <cstdlib>

#include "services/CEmail.h"
#include "services/DesktopManager.h"
#include "xlib/RunLog.h"
#include "xlib/XEmail.h"
#include "xlib/XPaths.h"

const char kAccountSelectText[] = "Error: you must select an account before this operation can be performed.";
const char kAccountTestOkTitle[] = "Success";
const char kAccountTestOkText[] = "Your e-mail account is correctly configured for use in this screen saver.";
const char kHelpLaunchErrorTitle[] = "Help";
const char kHelpSupportText[] =
    "Meadowglow 2.0 by Tallow Fen Software.\r\n\r\n"
    "The help file explains every page of these settings: the critters, the star fields and your own "
    "pictures, the clock, the e-mail notice, the weather, the reminders, the sounds and the exit tasks.\r\n\r\n"
    "If something does not work as you expect, press \"View help file\" first. Most questions are answered "
    "there. For anything else, \"Online support\" opens our support page, where you can read the latest "
    "notes and write to us. Please tell us your version of Windows and what you did just before the "
    "problem; the file RunLog.txt in the screen saver's folder helps us too.";

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string TrimBlanks(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && IsBlank(text[begin])) ++begin;
    while (end > begin && IsBlank(text[end - 1])) --end;
    return std::string(text.substr(begin, end - begin));
}
}  // namespace

std::string CollapseBlanks(std::string_view text) {
    std::string out;
    bool pending = false;
    for (char c : text) {
        if (IsBlank(c)) {
            pending = !out.empty();
            continue;
        }
        if (pending) out += ' ';
        pending = false;
        out += c;
    }
    return out;
}

const char* AccountCheckError(std::string_view server, std::string_view user, std::string_view password) {
    if (CollapseBlanks(server).empty()) return "You must enter a POP3 server address.";
    if (CollapseBlanks(user).empty()) return "You must enter an account user name.";
    if (CollapseBlanks(password).empty()) return "You must enter an account password.";
    return nullptr;
}

CEmailAccount AccountFromFields(std::string_view server, std::string_view user, std::string_view password,
                                int minutes) {
    CEmailAccount account;
    account.Pop3 = TrimBlanks(server).c_str();
    account.UserName = TrimBlanks(user).c_str();
    account.Password = std::string(password).c_str();
    account.Minutes = minutes;
    return account;
}

std::string AccountListLine(const CEmailAccount& account) {
    return std::string(account.Pop3.c_str()) + "   " + account.UserName.c_str() +
           "   Minutes=" + std::to_string(account.Minutes);
}

const std::vector<int>& CheckIntervals() {
    static const std::vector<int> minutes = {1, 2, 3, 4, 5, 10, 15, 20, 30, 45, 60, 90, 120, 180, 240};
    return minutes;
}

int CheckIntervalIndex(int minutes) {
    const std::vector<int>& list = CheckIntervals();
    int best = 0;
    for (int i = 1; i < static_cast<int>(list.size()); ++i)
        if (std::abs(list[i] - minutes) < std::abs(list[best] - minutes)) best = i;
    return best;
}

bool TestEmailAccount(XEmail& client, const CEmailAccount& account, std::string& error) {
    // The same way to the server as the checking thread's polls: the server
    // text goes to the client as it is.
    if (!client.Pop3ConnectServer(account.Pop3, account.UserName.c_str(), account.Password.c_str())) {
        error = std::string("Error: could not connect to the pop3 account = ") + account.Pop3.c_str() +
                ". Msg=" + client.GetErrorText().c_str();
        WriteRunLog("E-mail test failed - Pop3Connect", error.c_str());
        return false;
    }
    if (!client.Pop3Disconnect()) WriteRunLog("E-mail test failed - Pop3Disconnect", client.GetErrorText());
    return true;
}

std::string HelpLaunchErrorText(std::string_view details) {
    return std::string(
               "Error: could not launch help file for this screen saver. Your installation might be damaged. "
               "Please reinstall the screen saver to recover the help file.\r\n\r\nDebug information:") +
           std::string(details);
}

std::string HelpCommandLine() {
    const std::string page = InstallDir() + "Help.htm";
    return HtmlPageCommandLine("HelpPage", page.c_str(), "").c_str();
}

bool WebPageMayOpen(std::string_view url) {
    auto startsWithNoCase = [&](std::string_view prefix) {
        if (url.size() <= prefix.size()) return false;
        for (size_t i = 0; i < prefix.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(url[i])) != prefix[i]) return false;
        return true;
    };
    bool plain = true;
    for (const char c : url)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) plain = false;
    if (plain && (startsWithNoCase("http://") || startsWithNoCase("https://"))) return true;
    std::string shown(url.substr(0, 80));
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    WriteRunLog("Web page", ("Error: \"" + shown + "\" is not opened: only http:// and https:// addresses are.").c_str());
    return false;
}

std::string DigitsOnly(std::string_view text) {
    std::string out;
    for (char c : text)
        if (std::isdigit(static_cast<unsigned char>(c))) out += c;
    return out;
}

