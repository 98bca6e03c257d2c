// Dated reminders. The switches live in the "<Reminders>" section of the main
// configuration file; the list lives in the "<Reminders>" section of the
// shared file, which every screen saver of the family reads.
#pragma once

#include <cstdint>
#include <string>

#include "xlib/SaverModule.h"
#include "xlib/XArray.h"
#include "xlib/XDateTime.h"
#include "xlib/XString.h"

class CReminder {
public:
    // Dated now, type "None", empty title and message.
    CReminder();

    // One line for the dialog's list: title (cut at 40 with " ...", padded to
    // 43), date "MMM DD, YYYY" (padded to 15), type (padded to 30), message
    // (a long one on one line, cut at 40 with " ...").
    std::string Summary() const;

    XDateTime Date;  // only year, month and day are stored
    XString Type;
    XString RemTitle;
    XString RemMsg;
};

class CReminders : public TabledModule<CReminders> {
public:
    CReminders() { Default(); }
    // Switches to their defaults and an empty list.
    void Default() override;
    // The switches from the main file's text (the list is the shared file's).
    void Read(const XString& whole) override { Read(&whole, nullptr); }
    void Write(XString& out) const override;
    static const SettingsTable<CReminders>& Settings();
    // Either text may be null. The main text gives the switches (a missing or
    // empty section: the defaults, list emptied too); the shared text appends
    // its reminders to the list, dropping outdated ones when AutoCleanUp is set.
    void Read(const XString* mainText, const XString* sharedText);
    // Appends the switches to the main text and the list to the shared text;
    // either may be null.
    void Write(XString* mainText, XString* sharedText);

    uint32_t GetCount() const { return m_Count; }
    XArray<CReminder>& List() { return m_List; }
    const XArray<CReminder>& List() const { return m_List; }

    bool Enabled;
    bool ShowOnClose;
    bool ShowWhileRun;
    bool AutoCleanUp;

private:
    void ReadList(const XString& shared);

    uint32_t m_Count = 0;
    XArray<CReminder> m_List;
};
