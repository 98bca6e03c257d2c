#include "services/CSystemDateTime.h"

#include "xlib/SettingsTable.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "xlib/ConfigSection.h"
#include "platform/GLInclude.h"
#include "render/OverlayState.h"
#include "services/HolidayCalendar.h"
#include "xlib/RunLog.h"
#include "xlib/XException.h"
#include "xlib/XPaths.h"

const char* const CSystemDateTime::kDateFormats[kDateFormatCount] = {
    "DDDD, MMMM DD, YYYY", "DDDD, MMMM D, YYYY [No Padding]",
    "DDDD, MMM DD, YYYY", "DDDD, MMM D, YYYY [No Padding]",
    "DDD, MMM DD, YYYY", "DDD, MMM D, YYYY [No Padding]",
    "DDDD, MMMM DD, YY", "DDDD, MMMM D, YY [No Padding]",
    "DDDD, MMM DD, YY", "DDDD, MMM D, YY [No Padding]",
    "DDD, MMM DD, YY", "DDD, MMM D, YY [No Padding]",
    "MMMM DD, YYYY", "MMMM D, YYYY [No Padding]",
    "MMM DD, YYYY", "MMM D, YYYY [No Padding]",
    "MM DD, YYYY", "M D, YYYY [No Padding]",
    "MMMM DD, YY", "MMMM D, YY [No Padding]",
    "MMM DD, YY", "MMM D, YY [No Padding]",
    "MM DD, YYYY", "MM D, YYYY [No Padding]",
    "DDDD, DD MMMM YYYY", "DDDD, D MMMM YYYY [No Padding]",
    "DDDD, DD MMM YYYY", "DDDD, D MMM YYYY [No Padding]",
    "DDD, DD MMM YYYY", "DDD, D MMM YYYY [No Padding]",
    "DDDD, DD MMMM YY", "DDDD, D MMMM YY [No Padding]",
    "DDDD, DD MMM YY", "DDDD, D MMM YY [No Padding]",
    "DDD, DD MMM YY", "DDD, D MMM YY [No Padding]",
    "DD MMMM YYYY", "D MMMM YYYY [No Padding]",
    "DD MMM YYYY", "D MMM YYYY [No Padding]",
    "DD MM YYYY", "D MM YYYY [No Padding]",
    "DD MMMM YY", "D MMMM YY [No Padding]",
    "DD MMM YY", "D MMM YY [No Padding]",
    "DD MM YY", "D M YY [No Padding]",
    "MM/DD/YYYY", "M/D/YYYY [No Padding]",
    "MM/YYYY/DD", "M/YYYY/D [No Padding]",
    "DD/MM/YYYY", "D/M/YYYY [No Padding]",
    "DD/YYYY/MM", "D/YYYY/M [No Padding]",
    "YYYY/MM/DD", "YYYY/M/D [No Padding]",
    "YYYY/DD/MM", "YYYY/D/M [No Padding]",
    "MM-DD-YYYY", "M-D-YYYY [No Padding]",
    "MM-YYYY-DD", "M-YYYY-D [No Padding]",
    "DD-MM-YYYY", "D-M-YYYY [No Padding]",
    "DD-YYYY-MM", "D-YYYY-M [No Padding]",
    "YYYY-MM-DD", "YYYY-M-D [No Padding]",
    "YYYY-DD-MM", "YYYY-D-M [No Padding]",
    "MM.DD.YYYY", "M.D.YYYY [No Padding]",
    "MM.YYYY.DD", "M.YYYY.D [No Padding]",
    "DD.MM.YYYY", "D.M.YYYY [No Padding]",
    "DD.YYYY.MM", "D.YYYY.M [No Padding]",
    "YYYY.MM.DD", "YYYY.M.D [No Padding]",
    "YYYY.DD.MM", "YYYY.D.M [No Padding]",
    "MM\\DD\\YYYY", "M\\D\\YYYY [No Padding]",
    "MM\\YYYY\\DD", "M\\YYYY\\D [No Padding]",
    "DD\\MM\\YYYY", "D\\M\\YYYY [No Padding]",
    "DD\\YYYY\\MM", "D\\YYYY\\M [No Padding]",
    "YYYY\\MM\\DD", "YYYY\\M\\D [No Padding]",
    "YYYY\\DD\\MM", "YYYY\\D\\M [No Padding]",
    "MMMM DD", "MMMM D [No Padding]",
    "MMM DD", "MMM D [No Padding]",
    "MMMM YYYY",
    "MMM YYYY",
    "MMMM",
    "MMM",
    "YYYY",
    "DDD",
    "DDDD",
};

namespace {

constexpr const char* kCountDownPattern = "YYYYMMDDhhmmtt";

void AppendUnit(XString& text, unsigned value, const char* unit) {
    if (value == 0) return;
    if (!text.IsEmpty()) text += ", ";
    text.FormatAppend("%u %s%s", value, unit, value == 1 ? "" : "s");
}

// Trims blanks at both ends; true when something is left.
bool TrimmedEntry(XString& entry) {
    entry.Trim(' ');
    return !entry.IsEmpty();
}

}  // namespace

std::atomic<bool>& CSystemDateTime::TimeServerFailureLogged() {
    static std::atomic<bool> logged{false};
    return logged;
}

CSystemDateTime::CSystemDateTime() : SpinAngle(-1) {
    LastSpin.SetToNow();
    Default();
}

const SettingsTable<CSystemDateTime>& CSystemDateTime::Settings() {
    static constexpr Setting<CSystemDateTime> kRows[] = {
        SettingOf("SetTime", &CSystemDateTime::SetTime, false),
        SettingOf("TimeServer", &CSystemDateTime::TimeServer, ""),
        SettingOf("HolidaysFor", &CSystemDateTime::HolidaysFor, "United States"),
        SettingOf("DisplayTime", &CSystemDateTime::DisplayTime, false).Label("Show the time"),
        SettingOf("DisplayDate", &CSystemDateTime::DisplayDate, false).Label("Show the date"),
        SettingOf("DisplayHolidays", &CSystemDateTime::DisplayHolidays, false),
        SettingOf("DisplayMoonPhase", &CSystemDateTime::DisplayMoonPhase, false),
        // Its default is the first of kDateFormats, which Default sets.
        SettingOf("Format", &CSystemDateTime::Format, "").Cap(kMaxTextLength),
        SettingOf("EnableCountDown", &CSystemDateTime::EnableCountDown, false).Label("Show the countdown"),
        SettingOf("CountDownTo", &CSystemDateTime::CountDownTo, kCountDownPattern),
        SettingOf("CountDownMessage", &CSystemDateTime::CountDownMessage, "").Cap(kMaxTextLength),
        SettingOf("CycleRed", &CSystemDateTime::CycleRed, true),
        SettingOf("CycleGreen", &CSystemDateTime::CycleGreen, true),
        SettingOf("CycleBlue", &CSystemDateTime::CycleBlue, true),
        SettingOf("CycleTimeRed", &CSystemDateTime::CycleTimeRed, true),
        SettingOf("CycleTimeGreen", &CSystemDateTime::CycleTimeGreen, true),
        SettingOf("CycleTimeBlue", &CSystemDateTime::CycleTimeBlue, true),
    };
    static constexpr SettingsTable<CSystemDateTime> kTable("DateTime", kRows);
    return kTable;
}

template class TabledModule<CSystemDateTime>;

void CSystemDateTime::Default() {
    XGuard("CSystemDateTime::Default", [&] {
        Settings().Default(*this);
        Format = kDateFormats[0];
        DefaultTimeServerList();
    });
}

void CSystemDateTime::Read(const XString& config) {
    XGuard("CSystemDateTime::Read", [&] {
        XString section;
        if (!Settings().Read(*this, config, &section)) {
            Default();
            return;
        }
        TimeServers.Clear();
        const uint32_t count = ConfigReadUInt(section, "TimeServerCount");
        for (ConfigListEntry& entry : ConfigReadList(section, "TimeServer", count))
            if (TrimmedEntry(entry.value)) TimeServers.Add(entry.value.c_str());
        // A file written before the first download had ended holds no
        // servers; the page would offer none until Default. Such a file takes
        // the cached list, or the download's when it ends.
        m_AwaitingList = false;
        if (TimeServers.GetCount() == 0) AwaitListUnlessCached();
    });
}

void CSystemDateTime::Write(XString& out) const {
    XGuard("CSystemDateTime::Write", [&] {
        ConfigSectionWriter w(out, Settings().Section());
        Settings().Write(*this, w);
        // A list that has arrived for a module without one is written as
        // TakeRefreshedList would take it.
        XStringArray arrived;
        const XStringArray& list = PeekRefreshedList(arrived) ? arrived : TimeServers;
        w.UInt("TimeServerCount", list.GetCount());
        for (unsigned i = 0; i < list.GetCount(); ++i) {
            XString entry = list.Get(i);
            if (!TrimmedEntry(entry)) continue;
            w.Text("TimeServer_" + std::to_string(i), entry);
        }
        w.Close();
    });
}

void CSystemDateTime::Setup(int32_t /*width*/, int32_t /*height*/, void* dc) {
    XGuard("CSystemDateTime::Setup", [&] {
        Font.CreateOnFirstUse(dc, "Arial", 0.05f, 1, 0.5f, 700);
        Font.SetAlignment(0, 5, 8);
        CountDownColor.SetSteps(CycleRed, CycleGreen, CycleBlue);
        if (CycleRed || CycleGreen || CycleBlue) CountDownColor.Randomize(CycleRed, CycleGreen, CycleBlue);
        TimeColor.SetSteps(CycleTimeRed, CycleTimeGreen, CycleTimeBlue);
        if (CycleTimeRed || CycleTimeGreen || CycleTimeBlue) TimeColor.Randomize(CycleTimeRed, CycleTimeGreen, CycleTimeBlue);
    });
}

void CSystemDateTime::Release() {
    XGuard("CSystemDateTime::Release", [&] { Font.Delete(); });
}

bool CSystemDateTime::IsAnythingShown() const {
    return DisplayTime || DisplayDate || DisplayHolidays || DisplayMoonPhase || EnableCountDown;
}

void CSystemDateTime::Process(const XDateTime& now) {
    if (!IsAnythingShown()) return;
    if (SpinAngle != -1) {
        SpinAngle += 5;
        if (SpinAngle >= 360) SpinAngle = -1;
    } else if (now.DifferenceSeconds(LastSpin) >= 15.0) {
        SpinAngle = 0;
        LastSpin = now;
    }
    CountDownColor.Advance();
    TimeColor.Advance();
}

XString CSystemDateTime::StripNoPadding(const char* format) {
    XString pattern(format ? format : "");
    pattern.RemoveString(kNoPadding);
    return pattern;
}

XString CSystemDateTime::DateTimeLine(const XDateTime& now) const {
    XString line;
    if (DisplayDate) now.Format(line, StripNoPadding(Format.c_str()).c_str());
    if (DisplayTime) {
        if (!line.IsEmpty()) line += ' ';
        line += now.ToTimeString();
    }
    return line;
}

XString CSystemDateTime::HolidayLine(const XDateTime& now) const {
    XString line;
    if (!DisplayHolidays || HolidaysFor.CompareNoCase("United States") != 0) return line;
    char name[256];
    HolidayCalendar::GetHolidayName(name, now.GetMonth(), now.GetDay(), now.GetYear());
    line = name;
    return line;
}

XString CSystemDateTime::CountDownText(const XDateTimeSpan& span) {
    XString text;
    AppendUnit(text, span.days, "day");
    AppendUnit(text, span.hours, "hour");
    AppendUnit(text, span.minutes, "minute");
    if (span.seconds > 0 || span.milliseconds > 0 || !text.IsEmpty()) {
        if (!text.IsEmpty()) text += ", and ";
        text.FormatAppend("%u.%03u second%s", span.seconds, span.milliseconds, span.seconds == 1 ? "" : "s");
    }
    return text;
}

XString CSystemDateTime::CountDownText(const XDateTime& now) const { return CountDownText(now.Difference(CountDownTo)); }

void CSystemDateTime::DrawLine(const char* text, const CColorCycler& color, float x, float y, uint8_t align) {
    // Whatever set the text, one frame never draws more than a screen can show.
    XString shown(text);
    shown.Truncate(kMaxTextLength);
    glPushMatrix();
    const GLfloat diffuse[4] = {color.Color[0] / 512.0f, color.Color[1] / 512.0f, color.Color[2] / 512.0f, 1.0f};
    const GLfloat ambient[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glTranslatef(x, y, 0.0f);
    if (SpinAngle != -1) glRotatef(static_cast<GLfloat>(SpinAngle), 1.0f, 0.0f, 0.0f);
    glScalef(0.039f, 0.039f, 0.3f);
    Font.SetAlignment(align, 5, 8);
    Font.DrawText(shown.c_str());
    glPopMatrix();
}

void CSystemDateTime::Draw(const XDateTime& now) {
    if (!IsAnythingShown()) return;
    XGuard("CSystemDateTime::Draw", [&] {
        const OverlayState state(false);

        XString line = DateTimeLine(now);
        if (!line.IsEmpty()) DrawLine(line.c_str(), TimeColor, 0.86f, 0.925f, 1);
        XString holiday = HolidayLine(now);
        if (!holiday.IsEmpty()) DrawLine(holiday.c_str(), TimeColor, 0.86f, 0.965f, 1);
        if (EnableCountDown) {
            XString countDown = CountDownText(now);
            if (!countDown.IsEmpty()) {
                DrawLine(countDown.c_str(), CountDownColor, 0.0f, -0.935f, 2);
                DrawLine(CountDownMessage.c_str(), CountDownColor, 0.0f, -0.9725f, 2);
            }
        }
    });
}
