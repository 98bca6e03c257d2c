#include "services/CSystemDateTime.h"

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

const char* const kCountDownPattern = "YYYYMMDDhhmmtt";

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

void CSystemDateTime::Default() {
    XGuard("CSystemDateTime::Default", [&] {
        SetTime = false;
        TimeServer = "";
        HolidaysFor = "United States";
        DisplayTime = DisplayDate = DisplayHolidays = DisplayMoonPhase = false;
        Format = kDateFormats[0];
        EnableCountDown = false;
        CountDownTo = XDateTime();
        CountDownTo.SetToNow();
        CountDownMessage = "";
        CycleRed = CycleGreen = CycleBlue = true;
        CycleTimeRed = CycleTimeGreen = CycleTimeBlue = true;
        DefaultTimeServerList();
    });
}

void CSystemDateTime::Read(const XString& config) {
    XGuard("CSystemDateTime::Read", [&] {
        XString section = ConfigSectionText(config, "DateTime");
        if (section.IsEmpty()) {
            Default();
            return;
        }
        SetTime = ConfigReadBool(section, "SetTime");
        TimeServer = ConfigReadText(section, "TimeServer");
        HolidaysFor = ConfigReadText(section, "HolidaysFor");
        DisplayTime = ConfigReadBool(section, "DisplayTime");
        DisplayDate = ConfigReadBool(section, "DisplayDate");
        DisplayHolidays = ConfigReadBool(section, "DisplayHolidays");
        DisplayMoonPhase = ConfigReadBool(section, "DisplayMoonPhase");
        Format = ConfigReadTextCapped(section, "DateTime", "Format", kMaxTextLength);
        EnableCountDown = ConfigReadBool(section, "EnableCountDown");
        // The target is stored to the minute: read it as the start of that
        // minute, not with whatever seconds the previous value had.
        XDateTime target = CountDownTo;
        target.SetSecond(0);
        target.SetMillisecond(0);
        if (target.Parse(ConfigReadText(section, "CountDownTo").c_str(), kCountDownPattern)) CountDownTo = target;
        CountDownMessage = ConfigReadTextCapped(section, "DateTime", "CountDownMessage", kMaxTextLength);
        CycleRed = ConfigReadBool(section, "CycleRed");
        CycleGreen = ConfigReadBool(section, "CycleGreen");
        CycleBlue = ConfigReadBool(section, "CycleBlue");
        CycleTimeRed = ConfigReadBool(section, "CycleTimeRed");
        CycleTimeGreen = ConfigReadBool(section, "CycleTimeGreen");
        CycleTimeBlue = ConfigReadBool(section, "CycleTimeBlue");

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

void CSystemDateTime::Write(XString& out) {
    XGuard("CSystemDateTime::Write", [&] {
        TakeRefreshedList();
        XString target;
        CountDownTo.Format(target, kCountDownPattern);
        ConfigSectionWriter w(out, "DateTime");
        w.Bool("SetTime", SetTime);
        w.Text("TimeServer", TimeServer);
        w.Text("HolidaysFor", HolidaysFor);
        w.Bool("DisplayTime", DisplayTime);
        w.Bool("DisplayDate", DisplayDate);
        w.Bool("DisplayHolidays", DisplayHolidays);
        w.Bool("DisplayMoonPhase", DisplayMoonPhase);
        w.Text("Format", Format);
        w.Bool("EnableCountDown", EnableCountDown);
        w.Text("CountDownTo", target);
        w.Text("CountDownMessage", CountDownMessage);
        w.Bool("CycleRed", CycleRed);
        w.Bool("CycleGreen", CycleGreen);
        w.Bool("CycleBlue", CycleBlue);
        w.Bool("CycleTimeRed", CycleTimeRed);
        w.Bool("CycleTimeGreen", CycleTimeGreen);
        w.Bool("CycleTimeBlue", CycleTimeBlue);
        w.UInt("TimeServerCount", TimeServers.GetCount());
        for (unsigned i = 0; i < TimeServers.GetCount(); ++i) {
            XString entry = TimeServers.Get(i);
            if (!TrimmedEntry(entry)) continue;
            w.Text("TimeServer_" + std::to_string(i), entry);
        }
        w.Close();
    });
}

void CSystemDateTime::Setup(int32_t /*width*/, int32_t /*height*/, void* dc) {
    XGuard("CSystemDateTime::Setup", [&] {
        Font.Create(dc, "Arial", 0.05f, 1, 0.5f, 700);
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

void CSystemDateTime::Process(XDateTime now) {
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

void CSystemDateTime::Draw(XDateTime now) {
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
