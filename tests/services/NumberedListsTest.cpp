// Every module's numbered list ("<Picture_0>", "<Account_3>", "<Rem_1>",
// "<TimeServer_2>") read from damaged or hostile settings text: the entries
// that are there come back, whatever the count claims, and no count or stray
// tag makes a reader try indices one by one.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "scene/CBgBitmap.h"
#include "services/CEmail.h"
#include "services/CReminders.h"
#include "services/CSystemDateTime.h"
#include "services/CWallPaper.h"
#include "tests/TestSupport.h"
#include "xlib/XDateTime.h"

namespace {

struct ListModule {
    const char* name;
    const char* section;
    const char* countKey;
    const char* entry;
    // The entry's value for an identifier (a picture file, a host, a group).
    std::function<std::string(const std::string& id)> value;
    // The identifiers the module holds after reading `config`.
    std::function<std::vector<std::string>(const std::string& config)> read;
};

std::string FutureDate() {
    XDateTime d;
    d.SetToNow();
    d.SetYear(d.GetYear() + 1);
    std::string s;
    d.Format(s, "YYYYMMDD");
    return s;
}

// What a picture list holds, as identifiers: the file names without folder and extension.
std::vector<std::string> PictureIds(const XStringArray& pictures) {
    std::vector<std::string> ids;
    for (unsigned i = 0; i < pictures.GetCount(); ++i) {
        std::string path(pictures.Get(i).View());
        const size_t slash = path.find_last_of("/\\");
        if (slash != std::string::npos) path = path.substr(slash + 1);
        ids.push_back(path.substr(0, path.rfind('.')));
    }
    return ids;
}

// Runs `read` with a generous bound; a reader that hangs fails the case
// instead of the whole run.
std::vector<std::string> ReadBounded(const ListModule& m, const std::string& config, bool& finished) {
    auto result = std::make_shared<std::promise<std::vector<std::string>>>();
    std::future<std::vector<std::string>> done = result->get_future();
    std::thread([m, config, result] { result->set_value(m.read(config)); }).detach();
    finished = done.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    return finished ? done.get() : std::vector<std::string>();
}

}  // namespace

TEST(NumberedLists, EveryModuleReadsTheEntriesThatArePresent) {
    TempDir pictures;
    const auto pictureFile = [&](const std::string& id) {
        const std::string path = pictures.File(id + ".jpg");
        if (!FileExists(path)) WriteWholeFile(path, "x");
        return path;
    };
    const ListModule modules[] = {
        {"background pictures", "BgBitmap", "NumPictures", "Picture", pictureFile,
         [](const std::string& config) {
             CBgBitmap m;
             m.Read(XString(config.c_str()));
             return PictureIds(m.Pictures);
         }},
        {"wallpaper pictures", "Wallpaper", "NumPictures", "Picture", pictureFile,
         [](const std::string& config) {
             CWallPaper m;
             m.Read(XString(config.c_str()));
             return PictureIds(m.Pictures);
         }},
        {"time servers", "DateTime", "TimeServerCount", "TimeServer", [](const std::string& id) { return id; },
         [](const std::string& config) {
             CSystemDateTime m;
             m.Read(XString(config.c_str()));
             std::vector<std::string> ids;
             for (unsigned i = 0; i < m.TimeServers.GetCount(); ++i)
                 ids.emplace_back(m.TimeServers.Get(i).View());
             return ids;
         }},
        {"e-mail accounts", "Email", "NumAccounts", "Account",
         [](const std::string& id) { return "<Pop3>" + id + "</Pop3><Minutes>5</Minutes>"; },
         [](const std::string& config) {
             CEmail m;
             m.Read(XString(config.c_str()));
             std::vector<std::string> ids;
             // An index the count names but the text lacks is an empty account.
             for (unsigned i = 0; i < m.Accounts.GetCount(); ++i)
                 if (!m.Accounts.Get(i).Pop3.IsEmpty()) ids.emplace_back(m.Accounts.Get(i).Pop3.View());
             return ids;
         }},
        {"reminders", "Reminders", "NumReminders", "Rem",
         [](const std::string& id) { return "<Date>" + FutureDate() + "</Date><RemTitle>" + id + "</RemTitle>"; },
         [](const std::string& config) {
             CReminders m;
             const XString shared(config.c_str());
             m.Read(nullptr, &shared);
             std::vector<std::string> ids;
             for (unsigned i = 0; i < m.List().GetCount(); ++i) ids.emplace_back(m.List()[i].RemTitle.View());
             return ids;
         }},
    };

    struct Entry {
        const char* index;  // as written in the tag
        const char* id;
        bool closed;
    };
    struct Case {
        const char* what;
        const char* count;
        std::vector<Entry> entries;
        std::vector<std::string> read;
    };
    const Case cases[] = {
        {"entries 0 and 12 of 13", "13", {{"0", "a0", true}, {"12", "a12", true}}, {"a0", "a12"}},
        {"entries 1, 12 and 2 of 13", "13", {{"12", "b12", true}, {"1", "b1", true}, {"2", "b2", true}},
         {"b1", "b2", "b12"}},
        {"huge count with a stray tag", "4294967295", {{"0", "c0", true}, {"1", "c1", true}, {"5", "stray", false}},
         {"c0", "c1"}},
        {"huge count with a doubled tag", "4294967295",
         {{"0", "d0", true}, {"1", "d1", true}, {"1", "d1again", true}}, {"d0", "d1"}},
        {"entries past the count", "2", {{"0", "e0", true}, {"2", "e2", true}, {"12", "e12", true}}, {"e0"}},
        {"spellings that name no entry", "13", {{"00", "f00", true}, {"+1", "f1", true}, {"3", "f3", true}},
         {"f3"}},
        {"a count of zero", "0", {{"0", "g0", true}}, {}},
    };

    for (const ListModule& m : modules) {
        for (const Case& c : cases) {
            std::string section = "\t<" + std::string(m.section) + ">\r\n\t\t<" + m.countKey + ">" + c.count + "</" +
                                  m.countKey + ">\r\n";
            for (const Entry& e : c.entries) {
                const std::string tag = std::string(m.entry) + "_" + e.index;
                section += "\t\t<" + tag + ">" + m.value(e.id);
                if (e.closed) section += "</" + tag + ">";
                section += "\r\n";
            }
            section += "\t</" + std::string(m.section) + ">\r\n";
            const std::string config = "<ConfigFile name=\"Meadowglow\">\r\n" + section + "</ConfigFile>";
            bool finished = false;
            const std::vector<std::string> got = ReadBounded(m, config, finished);
            ASSERT_TRUE(finished) << m.name << ": " << c.what << " did not finish";
            EXPECT_EQ(c.read, got) << m.name << ": " << c.what;
        }
    }
}
