#include "services/CEmail.h"

#include "xlib/SettingsTable.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/GLInclude.h"
#include "platform/Sound.h"
#include "render/OverlayState.h"
#include "render/Projection.h"
#include "xlib/ConfigSection.h"
#include "xlib/XException.h"
#include "xlib/UserFile.h"
#include "xlib/XPaths.h"
#include "xlib/XRandom.h"

namespace {
// The fixed part of the pass phrases, kept in two pieces so that it is not one
// plain run of text in the program file. Stored values are readable only with
// exactly this text: never change it.
constexpr char kPhraseA[] = "mEaDoW-8";
constexpr char kPhraseB[] = "gLoW#71q";
constexpr char kUserLetter = 'U';
constexpr char kPasswordLetter = 'P';

constexpr float kEnvelopeAxes[8][3] = {{0, 0, 1}, {1, 1, 1}, {1, 0, 0}, {0, 1, 0},
                                        {1, 1, 0}, {1, 1, 1}, {0, 1, 1}, {1, 0, 1}};

// Base64 as EncodeBase64 writes it: whole groups of four from the alphabet,
// "=" only as the padding of the last one. Empty is an empty value.
bool IsStoredBase64(std::string_view text) {
    if (text.size() % 4 != 0) return false;
    size_t padding = 0;
    while (padding < 2 && padding < text.size() && text[text.size() - 1 - padding] == '=') ++padding;
    for (size_t i = 0; i + padding < text.size(); ++i) {
        const char c = text[i];
        const bool ok =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
        if (!ok) return false;
    }
    return true;
}

// A stored field: decoded, then deciphered. A value that cannot be deciphered
// reads as empty rather than as ciphertext; one that is not Base64 also marks
// the account unreadable.
XString ReadSecret(const XString& section, const char* key, unsigned index, bool password, bool& unreadable) {
    XString value = ConfigReadText(section, key);
    if (!IsStoredBase64(value.View())) {
        unreadable = true;
        WriteRunLog("E-mail settings", ("Account " + std::to_string(index) + ": the stored " +
                                        (password ? "password" : "user name") + " (<" + key +
                                        ">) is not valid Base64; the account is not checked.")
                                           .c_str());
        return XString();
    }
    value.DecodeBase64();
    if (!value.Decrypt(CEmail::PassPhrase(index, password).c_str(), 2)) {
        WriteRunLog("E-mail settings", value.GetErrorMessage());
        return XString();
    }
    return value;
}

// Never falls back to writing the plain text: a field that cannot be
// enciphered is stored empty.
XString StoredSecret(const XString& plain, unsigned index, bool password) {
    XString value = plain;
    if (!value.Encrypt(CEmail::PassPhrase(index, password).c_str(), 2)) {
        WriteRunLog("E-mail settings", value.GetErrorMessage());
        return XString();
    }
    value.EncodeBase64();
    return value;
}

void ConfigureStreamer(CEmitter& e) {
    e.Create(200);
    e.SetLife(5.5f, 0.1f);
    e.SetSize(0.009f, 0.01f, 0.04f);
    e.SetShape(0, 3);
    e.SetSpread(25.0f);
    e.SetRate(10.0f);
    e.SetSpeed(0.4f, 0.05f);
}
}  // namespace

CEmail::CEmail() {
    XGuard("CEmail constructor", [&] {
        ConfigureStreamer(Streamer1);
        ConfigureStreamer(Streamer2);
        LastSpin.SetToNow();
        Default();
    });
}

CEmail::~CEmail() {
    XGuard("CEmail destructor", [&] {
        StopEmailThread(*this);
        Streamer1.Destroy();
        Streamer2.Destroy();
    });
}

namespace {
constexpr Setting<CEmail> kRows[] = {
    SettingOf("Notify", &CEmail::Notify, true),
    SettingOf("DisplayText", &CEmail::DisplayText, true),
    SettingOf("DisplayStreamers", &CEmail::DisplayStreamers, true),
    SettingOf("CycleStreamers", &CEmail::CycleStreamers, true),
    SettingOf("RandStreamers", &CEmail::RandStreamers, false),
    SettingOf("NewMailSoundType", &CEmail::NewMailSoundType, 1u),
    SettingOf("SoundFileName", &CEmail::SoundFileName, ""),
    SettingOf("CycleRed", &CEmail::CycleRed, true),
    SettingOf("CycleGreen", &CEmail::CycleGreen, true),
    SettingOf("CycleBlue", &CEmail::CycleBlue, true),
    // Written only once someone has trusted a certificate file.
    SettingOf("TrustFile", &CEmail::TrustFile, "").WhenSet(),
};
constexpr SettingsTable<CEmail> kTable("Email", kRows);
}  // namespace

const SettingsTable<CEmail>& CEmail::Settings() { return kTable; }

template class TabledModule<CEmail>;

void CEmail::Default() {
    XGuard("CEmail::Default", [&] {
        kTable.Default(*this);
        Accounts.Clear();
    });
}

XString CEmail::PassPhrase(unsigned index, bool password) {
    XString phrase(kPhraseA);
    phrase += kPhraseB;
    phrase.Append(index);
    phrase += password ? kPasswordLetter : kUserLetter;
    return phrase;
}

void CEmail::Read(const XString& config) {
    XGuard("CEmail::Read", [&] {
        XString section;
        if (!kTable.Read(*this, config, &section)) {
            Default();
            return;
        }
        int32_t count = ConfigReadInt(section, "NumAccounts");
        if (count > kMaxAccounts) {
            WriteRunLog("E-mail settings", ("Only the first " + std::to_string(kMaxAccounts) + " of " +
                                            std::to_string(count) + " e-mail accounts are read.").c_str());
            count = kMaxAccounts;
        }
        Accounts.Clear();
        // An index the count names but the section lacks still gives an
        // account, as an empty record always has; the list reader only saves
        // looking for each index on its own.
        const std::vector<ConfigListEntry> present =
            ConfigReadList(section, "Account", count > 0 ? static_cast<uint64_t>(count) : 0);
        size_t next = 0;
        for (int32_t i = 0; i < count; ++i) {
            XString record;
            if (next < present.size() && present[next].index == static_cast<uint32_t>(i))
                record = present[next++].value;
            CEmailAccount account;
            account.Pop3 = ConfigReadText(record, "Pop3");
            account.UserName = ReadSecret(record, "X", static_cast<unsigned>(i), false, account.Unreadable);
            account.Password = ReadSecret(record, "Y", static_cast<unsigned>(i), true, account.Unreadable);
            account.Minutes = ConfigReadInt(record, "Minutes");
            Accounts.Add(account);
        }
    });
}

void CEmail::Write(XString& out) const {
    XGuard("CEmail::Write", [&] {
        ConfigSectionWriter w(out, kTable.Section());
        kTable.Write(*this, w);
        w.UInt("NumAccounts", Accounts.GetCount());
        for (unsigned i = 0; i < Accounts.GetCount(); ++i) {
            const CEmailAccount& a = Accounts.Get(i);
            w.Open("Account_" + std::to_string(i));
            w.Text("Pop3", a.Pop3);
            w.Text("X", StoredSecret(a.UserName, i, false));
            w.Text("Y", StoredSecret(a.Password, i, true));
            w.Int("Minutes", a.Minutes);
            w.Close();
        }
        w.Close();
    });
}

void CEmail::Setup(int32_t /*width*/, int32_t /*height*/, void* dc) {
    XGuard("CEmail::Setup", [&] {
        m_Showing = false;
        // With nothing to watch the notice can never show: the font and the
        // pictures would only lengthen every start.
        if (!HasMailboxToWatch()) return;
        Font.CreateOnFirstUse(dc, "Arial", 0.05f, 1, 0.5f, 700);
        Font.SetAlignment(COutlineFont::ALIGN_LEFT, COutlineFont::ALIGN_VCENTER, COutlineFont::ALIGN_MIDDLE);
        m_Showing = false;
        const std::string dir = InstallDir();
        EnvelopeFront.CreateRGB((dir + "Email_A.bmp").c_str(), GL_LINEAR, GL_LINEAR);
        EnvelopeBack.CreateRGB((dir + "Email_B.bmp").c_str(), GL_LINEAR, GL_LINEAR);
        TextColor.SetSteps(CycleRed, CycleGreen, CycleBlue);
        if (CycleRed || CycleGreen || CycleBlue) TextColor.Randomize(CycleRed, CycleGreen, CycleBlue);
    });
}

void CEmail::Release() {
    XGuard("CEmail::Release", [&] {
        if (m_Showing && NewMailSoundType == 2) Sound().Stop();
        Font.Delete();
        EnvelopeFront.Release();
        EnvelopeBack.Release();
    });
}

XString CEmail::NoticeText(int32_t count) {
    XString text("New e-mail: ");
    text.Append(count >= 1 ? count : 1);
    text += count > 1 ? " messages" : " message";
    return text;
}

// ---------------------------------------------------------------- checking thread

void StartEmailThread(CEmail& email) {
    XGuard("CEmail::StartEmailThread", [&] {
        StopEmailThread(email);
        // A thread that outlived its stop (a host-name lookup cannot be cut
        // short) still uses the client and the account records: nothing of
        // its state is reset and no second thread starts beside it.
        if (email.m_Worker.IsRunning()) {
            WriteRunLog("Email error",
                        "Error: the CEmail thread of the previous run has not ended yet; no second one is started.");
            return;
        }
        email.m_FirstPassDone = false;
        email.m_Quit = false;
        email.m_NewMailCount = 0;
        email.m_LastSeenCount = 0;
        email.m_Client.Resume();
        // Without a mailbox to watch the thread would only wait; the
        // settings stay as they are until the next start.
        if (!email.HasMailboxToWatch()) return;
        if (email.m_Worker.Start([&email] { CEmail::InstanceThread(&email); }) ==
            BoundedWorker::StartResult::Failed)
            WriteRunLog("Email error", "Error: failed to create instance of the CEmail thread.");
    });
}

void StopEmailThread(CEmail& email) {
    XGuard("CEmail::StopEmailThread", [&] {
        {
            std::lock_guard<std::mutex> lock(email.m_WaitMutex);
            email.m_Quit = true;
        }
        // A poll in progress gives up its server at once instead of waiting for it.
        email.m_Client.Cancel();
        email.m_Wake.notify_all();
        email.m_Worker.AwaitEnd(BoundedWorker::kStopLimitMs);
    });
}

void CEmail::InstanceThread(CEmail* email) {
    XGuard("CEmail::InstanceThread", [&] {
        while (!email->m_Quit) {
            if (email->Notify) email->CheckAccounts();
            email->WaitForNextPass();
        }
    });
}

void CEmail::CheckAccounts() {
    XDateTime now;
    now.SetToNow();
    for (unsigned i = 0; i < Accounts.GetCount(); ++i) {
        CEmailAccount& account = Accounts.Get(i);
        if (now.DifferenceMinutes(account.LastCheck) >= static_cast<double>(account.Minutes)) {
            account.LastCheck = now;
            Poll(account);
        }
        if (m_Quit) return;
    }
    m_FirstPassDone = true;
}

void CEmail::Poll(CEmailAccount& account) {
    if (account.Unreadable) return;
    m_Client.SetTrustFile(TrustFile);
    if (!m_Client.Pop3ConnectServer(account.Pop3, account.UserName.c_str(), account.Password.c_str())) {
        if (m_Quit) return;  // cut short by the stop: no fault of the mailbox
        XString message("Error: could not connect to the pop3 account = ");
        message += account.Pop3;
        message += ". Msg=";
        message += m_Client.GetErrorText();
        WriteRunLog("E-mail check failed in InstanceThread - Pop3Connect", message);
        return;
    }
    const int32_t count = m_Client.GetMsgCount();
    const XString countError = m_Client.GetErrorText();
    if (!m_Client.Pop3Disconnect() && !m_Quit)
        WriteRunLog("E-mail check failed in InstanceThread - Pop3Disconnect", m_Client.GetErrorText());
    // A stopped poll learnt nothing: its -1 must not count as mail removed.
    if (m_Quit) return;
    // Nor did a failed transfer, a refusal or an answer without a count: taken
    // as a count, each would read as mail removed and, at the next good poll,
    // as new mail that never came.
    if (count < 0 || !countError.IsEmpty()) {
        XString message("Error: could not read the message count of the pop3 account = ");
        message += account.Pop3;
        message += ". Msg=";
        message += countError;
        WriteRunLog("E-mail check failed in InstanceThread - GetMsgCount", message);
        return;
    }
    if (count != account.LastCount) {
        if (m_FirstPassDone) m_NewMailCount = AddedMail(m_NewMailCount, account.LastCount, count);
        account.LastCount = count;
    }
}

int32_t CEmail::AddedMail(int32_t newMail, int32_t lastCount, int32_t count) {
    // Counts reach up to INT32_MAX each: the sum is taken wide and held in range.
    const int64_t sum = static_cast<int64_t>(newMail) + count - lastCount;
    if (sum > INT32_MAX) return INT32_MAX;
    if (sum < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(sum);
}

void CEmail::WaitForNextPass() {
    auto wait = std::chrono::milliseconds(1000);
    if (Notify) {
        XDateTime now;
        now.SetToNow();
        for (unsigned i = 0; i < Accounts.GetCount(); ++i) {
            const CEmailAccount& a = Accounts.Get(i);
            const double leftMs = (a.Minutes - now.DifferenceMinutes(a.LastCheck)) * 60000.0;
            if (leftMs < static_cast<double>(wait.count()))
                wait = std::chrono::milliseconds(leftMs < 10.0 ? 10 : static_cast<long long>(leftMs));
        }
    }
    std::unique_lock<std::mutex> lock(m_WaitMutex);
    m_Wake.wait_for(lock, wait, [&] { return m_Quit.load(); });
}

// ---------------------------------------------------------------- render thread

void CEmail::Process(const XDateTime& /*now*/) {
    if (!Notify) return;
    XGuard("CEmail::Process", [&] {
        const int32_t count = m_NewMailCount;
        if (count != m_LastSeenCount && m_FirstPassDone) {
            m_Showing = true;
            m_LastSeenCount = count;
            // Either sound only with a sound file that can be opened: the beep
            // too, so a type 1 with no file named stays silent.
            if (SoundFileName.FileExists()) {
                if (NewMailSoundType == 1)
                    Sound().Beep();
                else if (NewMailSoundType == 2 &&
                         !UserFileRefused(SoundFileName, kMaxWaveFileBytes, "The new-mail wave file"))
                    Sound().PlayWave(SoundFileName.c_str(), false);
            }
        }
        if (!m_Showing || !DisplayStreamers) return;
        TextColor.Advance();
        if (!StreamerColoursChosen) {
            StreamerColoursChosen = true;
            if (RandStreamers) {
                for (int32_t& c : StreamerColours) c = XRandom() % 256;
            } else {
                const int32_t fixed[6] = {255, 0, 0, 0, 0, 255};
                for (int c = 0; c < 6; ++c) StreamerColours[c] = fixed[c];
            }
            ApplyStreamerColours();
            // Births before the first Draw places them start at the post, not
            // at the middle of the screen.
            Streamer1.SetPosition(-0.66f, 0.952f, 0.02f);
            Streamer2.SetPosition(-0.66f, 0.912f, -0.02f);
        } else if (CycleStreamers) {
            for (int c = 0; c < 6; ++c) {
                if (StreamerColours[c] == 0) StreamerSteps[c] = 1;
                if (StreamerColours[c] == 255) StreamerSteps[c] = -1;
                StreamerColours[c] += StreamerSteps[c];
            }
            ApplyStreamerColours();
        }
        Streamer1.Update(0.1f);
        Streamer2.Update(0.1f);
    });
}

void CEmail::ApplyStreamerColours() {
    CEmitter* streamers[2] = {&Streamer1, &Streamer2};
    for (int k = 0; k < 2; ++k) {
        const float r = StreamerColours[k * 3] / 255.0f, g = StreamerColours[k * 3 + 1] / 255.0f,
                    b = StreamerColours[k * 3 + 2] / 255.0f;
        streamers[k]->SetColours(r, g, b, 1.0f, 0.0f, 0.2f, 0.2f, 0.1f, r, g, b, 0.2f);
    }
}

void CEmail::DrawEnvelope() {
    const float a = 0.055f, b = 0.03f, c = 0.002f;
    glPushMatrix();
    glTranslatef(-0.93f, 0.93f, 0.0f);
    if (EnvelopeAngle == 0) EnvelopeAxis = XRandom() % 8;
    const float* axis = kEnvelopeAxes[EnvelopeAxis];
    glRotatef(static_cast<float>(EnvelopeAngle), axis[0], axis[1], axis[2]);
    EnvelopeAngle += 2;
    if (EnvelopeAngle >= 360) EnvelopeAngle = 0;

    EnvelopeFront.Bind();
    glBegin(GL_QUADS);
    glNormal3f(0, 0, 1);
    glTexCoord2f(0, 0); glVertex3f(-a, -b, c);
    glTexCoord2f(1, 0); glVertex3f(a, -b, c);
    glTexCoord2f(1, 1); glVertex3f(a, b, c);
    glTexCoord2f(0, 1); glVertex3f(-a, b, c);
    glEnd();
    // Mirrored coordinates, so the back picture reads correctly from behind.
    EnvelopeBack.Bind();
    glBegin(GL_QUADS);
    glNormal3f(0, 0, -1);
    glTexCoord2f(1, 0); glVertex3f(-a, -b, -c);
    glTexCoord2f(1, 1); glVertex3f(-a, b, -c);
    glTexCoord2f(0, 1); glVertex3f(a, b, -c);
    glTexCoord2f(0, 0); glVertex3f(a, -b, -c);
    glEnd();
    CTexture::UnbindAll();
    glBegin(GL_QUADS);
    glNormal3f(0, 1, 0);  // top
    glVertex3f(-a, b, c); glVertex3f(a, b, c); glVertex3f(a, b, -c); glVertex3f(-a, b, -c);
    glNormal3f(0, -1, 0);  // bottom
    glVertex3f(-a, -b, -c); glVertex3f(a, -b, -c); glVertex3f(a, -b, c); glVertex3f(-a, -b, c);
    glNormal3f(1, 0, 0);  // right
    glVertex3f(a, -b, c); glVertex3f(a, -b, -c); glVertex3f(a, b, -c); glVertex3f(a, b, c);
    glNormal3f(-1, 0, 0);  // left
    glVertex3f(-a, -b, -c); glVertex3f(-a, -b, c); glVertex3f(-a, b, c); glVertex3f(-a, b, -c);
    glEnd();
    glPopMatrix();
}

void CEmail::DrawStreamers() {
    CEmitter* streamers[2] = {&Streamer1, &Streamer2};
    for (int k = 0; k < 2; ++k) {
        const float s = k == 0 ? 1.0f : -1.0f;
        if (k == 1) {
            // The swing moves between the two, so they sway mirror-wise.
            Swing += SwingStep;
            if (Swing >= 70 || Swing <= -70) SwingStep = -SwingStep;
        }
        glPushMatrix();
        Vector3 d;
        RotateVector(Vector3(0.0f, 0.02f * s, 0.02f * s), static_cast<float>(4 * EnvelopeAngle), 0.0f, 0.0f, d);
        streamers[k]->SetDirection(d);
        streamers[k]->SetPosition(d.x - 0.66f + 0.0025f * static_cast<float>(Swing) * s, d.y + 0.932f, d.z);
        // The overlay's projection is not mirrored the way the scene's camera
        // is, so the particles' clockwise discs face the viewer here: with
        // counter-clockwise front faces the first streamer would be culled
        // whole and never seen.
        streamers[k]->Draw(0);
        glPopMatrix();
    }
}

void CEmail::Draw(const XDateTime& now) {
    if (!Notify || !m_Showing || EnvelopeFront.IsEmpty() || EnvelopeBack.IsEmpty()) return;
    XGuard("CEmail::Draw", [&] {
        const OverlayState state(true);

        const XString text = NoticeText(m_NewMailCount);
        if (SpinAngle == -1) {
            if (now.DifferenceSeconds(LastSpin) >= 15.0) {
                SpinAngle = 0;
                LastSpin = now;
            }
        } else {
            SpinAngle += 5;
            if (SpinAngle >= 360) SpinAngle = -1;
        }

        DrawEnvelope();

        if (DisplayText) {
            glPushMatrix();
            const GLfloat diffuse[4] = {TextColor.Color[0] / 512.0f, TextColor.Color[1] / 512.0f,
                                        TextColor.Color[2] / 512.0f, 1.0f};
            const GLfloat ambient[4] = {0.0f, 0.0f, 0.0f, 1.0f};
            glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
            glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
            glTranslatef(-0.86f, 0.925f, 0.0f);
            if (SpinAngle != -1) glRotatef(static_cast<float>(SpinAngle), 1.0f, 0.0f, 0.0f);
            glScalef(0.039f, 0.039f, 0.3f);
            Font.DrawText(text.c_str());
            glPopMatrix();
        }

        const int sense = GetRotationSense();
        SetRotationSense(-1);
        glDisable(GL_TEXTURE_2D);
        if (DisplayStreamers) DrawStreamers();
        SetRotationSense(sense);
    });
}
