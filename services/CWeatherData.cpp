#include "services/CWeatherData.h"

#include "xlib/SettingsTable.h"

#include <chrono>
#include <string>

#include "platform/GLInclude.h"
#include "render/OverlayState.h"
#include "services/VendorService.h"
#include "xlib/ConfigSection.h"
#include "xlib/RunLog.h"
#include "xlib/XException.h"

const char* const CWeatherData::kKeys[kKeyCount] = {
    "Temp",       "Location", "RecordedAt", "Updated",   "Image",     "Condition", "Visibility", "Humidity",
    "Wind",       "Barometer", "Dewpoint",  "HeatIndex", "WindChill", "Sunrise",   "Sunset",     "MoonPhase",
};

namespace {

int KeyIndex(const char* key) {
    for (int i = 0; i < CWeatherData::kKeyCount; ++i)
        if (std::string_view(CWeatherData::kKeys[i]) == key) return i;
    return -1;
}

// How long the worker sleeps at most before it looks at the clock again.
constexpr std::chrono::seconds kRecheck{1};

}  // namespace

CWeatherData::CWeatherData() : SpinAngle(0), SwirlAngle(0), DisplayTemp(false) {
    XGuard("CWeatherData constructor", [&] {
        LastSpin.SetToNow();
        Swirl.Create(300);
        Swirl.SetLife(5.5f, 0.1f);
        Swirl.SetSize(0.009f, 0.01f, 0.04f);
        Swirl.SetShape(0, 3);
        Swirl.SetSpread(25.0f);
        Swirl.SetRate(40.0f);
        Swirl.SetSpeed(0.22f, 0.05f);
        Default();
    });
}

CWeatherData::~CWeatherData() {
    XGuard("CWeatherData destructor", [&] { StopWeatherThread(*this); });
}

XDateTime CWeatherData::LocalNow() {
    XDateTime now;
    now.SetToNow();
    return now;
}

namespace {
constexpr Setting<CWeatherData> kRows[] = {
    SettingOf("ZipCode", &CWeatherData::ZipCode, "").Trim(),
    SettingOf("DisplayTemp", &CWeatherData::DisplayTemp, false).Label("Show the temperature"),
    // The provider's texts default to the vendor's, which Default composes.
    SettingOf("ProviderText", &CWeatherData::ProviderText, "").Trim(),
    SettingOf("ProviderUrl", &CWeatherData::ProviderUrl, "").Trim(),
};
constexpr SettingsTable<CWeatherData> kTable("WeatherData", kRows);
}  // namespace

const SettingsTable<CWeatherData>& CWeatherData::Settings() { return kTable; }

template class TabledModule<CWeatherData>;

void CWeatherData::Default() {
    XGuard("CWeatherData::Default", [&] {
        kTable.Default(*this);
        ProviderText = "Weather data provided by ";
        ProviderText += Vendor::kWeatherProviderHost;
        ProviderText += " - [Click here to visit ";
        ProviderText += Vendor::kWeatherProviderDomain;
        ProviderText += "]";
        ProviderUrl = "http://";
        ProviderUrl += Vendor::kWeatherProviderHost;
    });
}

void CWeatherData::Read(const XString& config) {
    XGuard("CWeatherData::Read", [&] {
        if (!kTable.Read(*this, config)) Default();
    });
}

void CWeatherData::Write(XString& out) const {
    XGuard("CWeatherData::Write", [&] { kTable.WriteSection(*this, out); });
}

// The zip code goes into the query encoded: a value from a hand-edited file
// can never add keys of its own or break the request line.
void CWeatherData::BuildDataUrl() {
    XString zip = ZipCode;
    zip.UrlEncode(true);
    DataUrl = Vendor::WeatherUrl(zip.c_str()).c_str();
}

void CWeatherData::Setup(int32_t /*width*/, int32_t /*height*/, void* dc) {
    XGuard("CWeatherData::Setup", [&] {
        BuildDataUrl();
        Font.CreateOnFirstUse(dc, "Arial", 0.05f, 1, 0.5f, 700);
        Font.SetAlignment(2, 5, 8);
    });
}

void CWeatherData::Release() {
    XGuard("CWeatherData::Release", [&] { Font.Delete(); });
}

void CWeatherData::TakeReply(const XString& reply) {
    std::lock_guard<std::mutex> lock(m_ValuesMutex);
    for (int i = 0; i < kKeyCount; ++i) {
        XString key = kKeys[i];
        key.Trim(' ');
        if (key.IsEmpty()) continue;
        XString value = ConfigBetween(reply, "<" + std::string(key.View()) + ">", "</" + std::string(key.View()) + ">");
        value.Trim(' ');
        if (!value.IsEmpty()) m_Values[i] = value;
    }
}

XString CWeatherData::GetValue(const char* key) const {
    const int i = KeyIndex(key);
    if (i < 0) return XString();
    std::lock_guard<std::mutex> lock(m_ValuesMutex);
    return m_Values[i];
}

bool CWeatherData::PollOnce(const XDateTime& now) {
    bool tried = false;
    XGuard("CWeatherData::InstanceThread", [&] {
        if (!IsShown() || now.DifferenceMinutes(m_LastDownload) < kIntervalMinutes) return;
        tried = true;
        // Counted before anything can fail: a download that ends in an
        // exception waits for the next round like a failed or a good one,
        // instead of being tried again at the next recheck.
        m_LastDownload = now;
        if (DataUrl.IsEmpty()) BuildDataUrl();
        XString reply;
        bool ok;
        {
            DownloadLimitScope limit(kReplyMaxBytes);
            ok = reply.DownloadFile(DataUrl.c_str());
        }
        if (ok) {
            TakeReply(reply);
        } else if (!m_DownloadStop.IsRequested()) {
            std::string message = "Error: could not download weather data for URL=";
            message += DataUrl.c_str();
            message += ". Msg=";
            message += reply.GetErrorMessage();
            WriteRunLog("Weather error", message, false);
        }
    });
    return tried;
}

void CWeatherData::InstanceThread(CWeatherData* self) {
    DownloadStopScope scope(self->m_DownloadStop);
    while (!self->m_Quit) {
        self->PollOnce(self->m_Now());
        std::unique_lock<std::mutex> lock(self->m_WaitMutex);
        self->m_Wake.wait_for(lock, kRecheck, [&] { return self->m_Quit.load(); });
    }
}

bool StartWeatherThread(CWeatherData& weather) {
    bool started = false;
    XGuard("CWeatherData::StartWeatherThread", [&] {
        StopWeatherThread(weather);
        // A worker that outlived its stop still writes the values and the
        // last download's time: nothing of its state is reset and no second
        // worker starts beside it.
        if (weather.m_Worker.IsRunning()) {
            WriteRunLog("Weather data",
                        "The weather thread of the previous run has not ended yet; no second one is started.", false);
            return;
        }
        {
            std::lock_guard<std::mutex> lock(weather.m_ValuesMutex);
            for (XString& value : weather.m_Values) value = "";
            weather.m_Values[0] = CWeatherData::kNoTemperature;
        }
        weather.m_Quit = false;
        weather.m_DownloadStop.Reset();
        weather.m_LastDownload = XDateTime();
        // A hidden temperature has nothing for a worker to do, and a run's
        // settings stay as they are until its next start.
        if (!weather.IsShown()) {
            started = true;
            return;
        }
        if (weather.DataUrl.IsEmpty()) weather.BuildDataUrl();
        if (weather.m_Worker.Start([&weather] { CWeatherData::InstanceThread(&weather); }) !=
            BoundedWorker::StartResult::Started) {
            WriteRunLog("Weather data", "Failed to launch thread to process weather data.", false);
            return;
        }
        started = true;
    });
    return started;
}

void StopWeatherThread(CWeatherData& weather) {
    XGuard("CWeatherData::StopWeatherThread", [&] {
        {
            std::lock_guard<std::mutex> lock(weather.m_WaitMutex);
            weather.m_Quit = true;
        }
        weather.m_DownloadStop.Request();
        weather.m_Wake.notify_all();
        weather.m_Worker.AwaitEnd(BoundedWorker::kStopLimitMs);
    });
}

void CWeatherData::Process(const XDateTime& now) {
    XGuard("CWeatherData::Process", [&] {
        if (SpinAngle != -1) {
            SpinAngle += 5;
            if (SpinAngle >= 360) SpinAngle = -1;
        } else if (now.DifferenceSeconds(LastSpin) >= 15.0) {
            SpinAngle = 0;
            LastSpin = now;
        }
        if (IsShown()) Swirl.Update(0.1f);
    });
}

void CWeatherData::TemperatureColour(double t, float rgb[3]) {
    const double slope = 1.0 / 18.75;
    double r, g, b;
    if (t < 35.0) {
        r = 0, g = 0, b = 1;
    } else if (t < 53.75) {
        r = 0, g = (t - 35.0) * slope, b = 1;
    } else if (t < 72.5) {
        r = 0, g = 1, b = (72.5 - t) * slope;
    } else if (t < 91.25) {
        r = (t - 72.5) * slope, g = 1, b = 0;
    } else if (t <= 110.0) {
        r = 1, g = (110.0 - t) * slope, b = 0;
    } else {
        r = 1, g = 0, b = 0;
    }
    rgb[0] = static_cast<float>(r);
    rgb[1] = static_cast<float>(g);
    rgb[2] = static_cast<float>(b);
}

XString CWeatherData::DrawnText(const XString& text) {
    if (text.GetLength() <= kMaxDrawnChars) return text;
    XString drawn;
    drawn.SetData(text.c_str(), static_cast<int>(kMaxDrawnChars));
    return drawn;
}

void CWeatherData::Draw(const XDateTime& /*now*/) {
    if (!IsShown()) return;
    XGuard("CWeatherData::Draw", [&] {
        const OverlayState state(false);

        // One copy of the text serves both the colour and the letters.
        const XString text = GetTemperatureText();
        const double t = text.ToDouble();
        float rgb[3];
        TemperatureColour(t, rgb);

        if (t < 200.0) {
            glPushMatrix();
            const GLfloat diffuse[4] = {0.4f * rgb[0], 0.4f * rgb[1], 0.4f * rgb[2], 1.0f};
            const GLfloat ambient[4] = {0.0f, 0.0f, 0.0f, 1.0f};
            glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
            glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
            glTranslatef(0.923f, 0.925f, 0.0f);
            if (SpinAngle != -1) glRotatef(static_cast<GLfloat>(SpinAngle), 1.0f, 0.0f, 0.0f);
            glScalef(0.039f, 0.039f, 0.3f);
            Font.DrawText(DrawnText(text).c_str());
            glPopMatrix();
        }

        SetRotationSense(-1);
        Swirl.SetColours(rgb[0], rgb[1], rgb[2], 1.0f, 0.1f, 0.1f, 0.1f, 0.1f, rgb[0], 1.0f - rgb[1], rgb[2], 0.0f);
        glPushMatrix();
        Vector3 d;
        RotateVector(Vector3(0.0f, 0.05f, 0.0f), 0.0f, 0.0f, static_cast<float>(SwirlAngle), d);
        SwirlAngle += 10;
        if (SwirlAngle >= 360) SwirlAngle -= 360;
        Swirl.SetDirection(d);
        Swirl.SetPosition(d.x + 0.93f, d.y + 0.925f, d.z);
        Swirl.Draw(0);
        glPopMatrix();
    });
}
