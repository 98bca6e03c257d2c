#include "config_dialog/logic/DialogRules.h"

#include <cctype>
#include <limits>

#include "scene/CStarFields.h"
#include "xlib/XString.h"

const char kProductName[] = "Meadowglow";
const char kProductVersion[] = "2.0";
const char kMakerNotice[] = " - (c) Tallow Fen Software";

const char kSaveChangesTitle[] = "Save changes?";
const char kSaveChangesText[] =
    "Changes have been made to one or more settings but the changes have not been saved. Do you wish to save the "
    "changes before exiting?";
const char kDefaultTitle[] = "Default values";
const char kDefaultText[] =
    "Default can restore the default values to the entire screen saver or restore the default values to only the "
    "options on this main form. Would you like to restore the default values to the entire screen saver? Choosing "
    "no will only revert the options on this main form to their default values.";
const char kSaveFailedText[] = "Error: Could not save settings to the configuration file.";
const char kRemovePictureText[] = "You must select a picture to remove first.";
const char kUpdateErrorTitle[] = "Update Error";
const char kUpdateErrorText[] = "The server is not available at this time. Please check again later.";
const char kNoUpdatesTitle[] = "Update";
const char kNoUpdatesText[] =
    "There are no updates for this product on the server at this time. Please check some other time.";

std::string DialogCaption() { return std::string(kProductName) + " v" + kProductVersion + kMakerNotice; }

std::string AboutText() { return std::string(kProductName) + "\r\nVersion " + kProductVersion + kMakerNotice; }

const std::vector<std::string>& OptionListEntries() {
    static const std::vector<std::string> entries = {
        "Please select an option", "Background / Star Fields", "Date and Time",
        "Desktop Wallpaper",       "E-mail",                   "Internet",
        "Reminders and Lists",     "Rendering",                "Sound / Alarm",
        "Special Effects",         "Video mode / Thread priority", "Weather Data"};
    return entries;
}

OptionPage OptionPageForText(std::string_view text) {
    const auto& entries = OptionListEntries();
    for (size_t i = 1; i < entries.size(); ++i)
        if (entries[i] == text) return static_cast<OptionPage>(i);
    return OptionPage::None;
}

const std::vector<std::string>& StarSchemeNames() {
    static const std::vector<std::string> names = {
        "Random Colors",  "Blue",           "Red",          "Green",           "White Stars",
        "Blue-White",     "Yellow",         "Purple",       "Blue-Green",      "Royal Blue",
        "Blue and Green", "Blue and White", "Blue and Red", "Blue and Purple", "Calm Blues",
        "Fire Reds",      "Veggie Greens",  "White Blends", "Realistic",       "Pink"};
    return names;
}

std::string MinutesLabel(int32_t minutes) { return std::to_string(minutes) + " minutes"; }

uint32_t DigitsValue(std::string_view text) {
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') break;
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > std::numeric_limits<uint32_t>::max()) return std::numeric_limits<uint32_t>::max();
    }
    return static_cast<uint32_t>(value);
}

int32_t ScrollStep(int32_t position, int32_t minimum, int32_t maximum, uint32_t code, int32_t thumb) {
    switch (code) {
        case 0:
            return position - 1 < minimum ? minimum : position - 1;
        case 1:
            return position + 1 > maximum ? maximum : position + 1;
        case 4:
        case 5:
            return thumb;
        default:
            return position;
    }
}

StarEnables StarEnableStates(bool enabled, int32_t type) {
    StarEnables e;
    if (!enabled) return e;
    e.typeRadios = e.colour = e.amount = true;
    e.speed = type != kStarsStill;
    e.rotate = type == kStarsWarp;
    return e;
}

PictureEnables PictureEnableStates(bool cycling, unsigned pictureCount) {
    return PictureEnables{cycling, cycling && pictureCount > 0};
}

std::string UpdatePath(std::string_view configName, bool show) {
    // The one query encoder every download uses; strict, since the name is a
    // single value of the query and an "&" or "=" in it must not split it.
    XString product(std::string(configName).c_str());
    product.UrlEncode(true);
    return std::string("/cgi-bin/ShowProduct.exe?cmd=") + (show ? "ShowUpdates" : "CheckUpdates") +
           "&product=" + product.c_str() + "&version=" + kProductVersion;
}

bool UpdateReplySaysYes(std::string_view reply) {
    const size_t open = reply.find("<Update>");
    if (open == std::string_view::npos) return false;
    const size_t begin = open + 8;
    const size_t close = reply.find("</Update>", begin);
    if (close == std::string_view::npos) return false;
    const std::string_view value = reply.substr(begin, close - begin);
    if (value.size() != 4) return false;
    for (size_t i = 0; i < 4; ++i)
        if (std::tolower(static_cast<unsigned char>(value[i])) != "true"[i]) return false;
    return true;
}

std::vector<std::string> SplitOpenFileNames(const char* buffer, size_t size, char separator) {
    std::vector<std::string> parts;
    size_t i = 0;
    while (i < size && buffer[i] != '\0') {
        size_t end = i;
        while (end < size && buffer[end] != '\0') ++end;
        parts.emplace_back(buffer + i, end - i);
        i = end + 1;
    }
    if (parts.size() <= 1) return parts;
    std::string folder = parts.front();
    if (folder.back() != separator) folder += separator;
    std::vector<std::string> paths;
    for (size_t k = 1; k < parts.size(); ++k) paths.push_back(folder + parts[k]);
    return paths;
}
