// The settings dialog's decisions that do not depend on any window system:
// list and label texts, the scroll-bar stepping rule, the enable-state rules
// of the scene pages and the update check's request and reply. The Win32
// view applies them; a Linux settings window can reuse them unchanged.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Product facts shown in the caption and the About box.
extern const char kProductName[];
extern const char kProductVersion[];
extern const char kMakerNotice[];
// "Meadowglow v2.0" followed by the maker's notice.
std::string DialogCaption();
// "Meadowglow\r\nVersion 2.0" followed by the maker's notice.
std::string AboutText();

// Message-box texts of the main form.
extern const char kSaveChangesTitle[];
extern const char kSaveChangesText[];
extern const char kDefaultTitle[];
extern const char kDefaultText[];
extern const char kSaveFailedText[];
extern const char kRemovePictureText[];
extern const char kUpdateErrorTitle[];
extern const char kUpdateErrorText[];
extern const char kNoUpdatesTitle[];
extern const char kNoUpdatesText[];

// The options list in its fixed order; entry 0 is the prompt that opens nothing.
enum class OptionPage {
    None,
    Background,
    DateTime,
    Wallpaper,
    Email,
    Internet,
    Reminders,
    Rendering,
    Sound,
    Effects,
    VideoMode,
    Weather
};
const std::vector<std::string>& OptionListEntries();
// The page an entry's text opens; None for the prompt and unknown texts.
OptionPage OptionPageForText(std::string_view text);

// The star-colour list: the 20 scheme names in index order.
const std::vector<std::string>& StarSchemeNames();

// "N minutes" under the picture-change bar.
std::string MinutesLabel(int32_t minutes);

// What a digits-only edit field holds as a number: its leading digits, 0 when
// there are none; values past 32 bits stop at the largest one.
uint32_t DigitsValue(std::string_view text);

// Scroll-bar stepping: the position after a scroll message with `code`
// (0 line up, 1 line down, 4 thumb position, 5 thumb track) and, for the
// thumb codes, `thumb`. Paging, top, bottom and end-of-scroll change nothing.
int32_t ScrollStep(int32_t position, int32_t minimum, int32_t maximum, uint32_t code, int32_t thumb);

// Background page, star-field controls.
struct StarEnables {
    bool typeRadios = false;  // the four type radios
    bool colour = false;      // colour list and its label
    bool amount = false;      // number field and its label
    bool speed = false;       // speed bar and its labels
    bool rotate = false;      // "Rotate stars"
};
StarEnables StarEnableStates(bool enabled, int32_t type);
// Background page, picture controls: all follow "Enable picture cycling";
// "Remove" also needs a picture in the list.
struct PictureEnables {
    bool controls = false;
    bool remove = false;
};
PictureEnables PictureEnableStates(bool cycling, unsigned pictureCount);

// The update check against the vendor's web server: the name encoded by
// XString::UrlEncode (strict).
// "/cgi-bin/ShowProduct.exe?cmd=CheckUpdates&product=...&version=2.0", or the
// ShowUpdates page when `show` is set.
std::string UpdatePath(std::string_view configName, bool show);
// True when the reply's "<Update>" text is "true" in any letter case.
bool UpdateReplySaysYes(std::string_view reply);

// The names a multiple-selection file-open dialog returns in its buffer: either
// one full path, or the folder followed by the file names, each ended by a NUL,
// the whole ended by a second NUL. Full paths joined with `separator`.
std::vector<std::string> SplitOpenFileNames(const char* buffer, size_t size, char separator);
