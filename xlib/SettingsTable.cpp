#include "xlib/SettingsTable.h"

XString SettingTrimmed(XString text) {
    text.Trim(' ');
    return text;
}
