// The new-mail notice: watches POP3 mailboxes from a checking thread and, once
// a mailbox has grown, shows a spinning envelope in the top-left corner with
// "New e-mail: <n> message(s)" beside it and two particle streamers, and makes
// a sound. Owns the "<Email>" configuration section, in which each account's
// user name and password are stored encrypted.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

#include "render/COutlineFont.h"
#include "render/CTexture.h"
#include "scene/CEmitter.h"
#include "services/CColorCycler.h"
#include "xlib/BoundedWorker.h"
#include "xlib/SaverModule.h"
#include "xlib/XArray.h"
#include "xlib/XDateTime.h"
#include "xlib/XEmail.h"
#include "xlib/XString.h"

class CEmailAccount {
public:
    XDateTime LastCheck;     // when the mailbox was last polled; year 1 after reading
    int32_t LastCount = 0;   // message count seen at the last poll
    XString Pop3;            // server text: host[:port], pop3://, pop3s:// (XPop3Server::Parse)
    XString UserName;
    XString Password;
    int32_t Minutes = 0;     // poll interval
    // A stored user name or password that was not Base64 as the program
    // writes it: decoding it would send a wrong or empty value, so the
    // account is never polled (the run log says why once, when it is read).
    bool Unreadable = false;
};

class CEmail;
// Resets the module's shared state and starts its checking thread, when there
// is a mailbox to watch (notices on, at least one account); while the thread
// of an earlier run is still running (it outlived its stop) nothing is reset
// or started, with a run-log entry.
void StartEmailThread(CEmail& email);
// Stops the checking thread, cutting short any server exchange in progress;
// waits BoundedWorker::kStopLimitMs at most, then lets the thread go.
void StopEmailThread(CEmail& email);

class CEmail : public TabledModule<CEmail> {
public:
    static constexpr int kDefaultPort = XPop3Server::kPlainPort;
        // Sanity bound on "<NumAccounts>": a damaged file cannot make Read loop for ever.
    static constexpr int32_t kMaxAccounts = 256;

    CEmail();
    ~CEmail();
    CEmail(const CEmail&) = delete;
    CEmail& operator=(const CEmail&) = delete;

    void Default() override;
    void Read(const XString& config) override;
    void Write(XString& out) const override;
    static const SettingsTable<CEmail>& Settings();
    // Font, envelope textures and text colour; the OpenGL context must be current.
    void Setup(const SceneContext& scene) override { Setup(scene.width, scene.height, scene.deviceContext); }
    void Setup(int32_t width, int32_t height, void* dc);
    void Process(const XDateTime& now) override;
    void Draw(const XDateTime& now) override;
    // Deletes what lives in the OpenGL context (font lists, textures) and ends
    // a wave still playing; the context must be current.
    void Release() override;

    // The pass phrase for account `index`'s user name (or password) field.
    static XString PassPhrase(unsigned index, bool password);
    // The new-mail count after a mailbox went from `lastCount` to `count`
    // messages, held within int32_t whatever the counts.
    static int32_t AddedMail(int32_t newMail, int32_t lastCount, int32_t count);
    // "New e-mail: 2 messages" for a new-mail count.
    static XString NoticeText(int32_t count);

    // The checking thread's published state.
    int32_t NewMailCount() const { return m_NewMailCount; }
    bool FirstPassDone() const { return m_FirstPassDone; }
    int32_t ThreadCount() const { return m_Worker.IsRunning() ? 1 : 0; }
    bool IsShowing() const { return m_Showing; }
    // Notices on and at least one account: without both there is nothing to
    // check and no notice can show.
    bool HasMailboxToWatch() const { return Notify && Accounts.GetCount() > 0; }

    XArray<CEmailAccount> Accounts;
    uint32_t NewMailSoundType;  // 0 none, 1 beep, 2 the wave file
    bool Notify;
    bool DisplayText;
    bool DisplayStreamers;
    bool CycleStreamers;
    bool RandStreamers;
    bool CycleRed, CycleGreen, CycleBlue;
    XString SoundFileName;
    // "<TrustFile>": a PEM file of certificates trusted for TLS mail servers
    // beside the system's; written only when set, so files stay as they were.
    XString TrustFile;

    // Drawing state, open to tests.
    int32_t SpinAngle = -1;
    XDateTime LastSpin;
    int32_t EnvelopeAngle = 0;
    int32_t EnvelopeAxis = 0;
    int32_t SwingStep = 1;
    int32_t Swing = -70;
    bool StreamerColoursChosen = false;
    int8_t StreamerSteps[6] = {0, 0, 0, 0, 0, 0};
    int32_t StreamerColours[6] = {255, 255, 255, 255, 255, 255};
    CColorCycler TextColor;
    CEmitter Streamer1, Streamer2;
    CTexture EnvelopeFront, EnvelopeBack;
    COutlineFont Font;

private:
    friend void StartEmailThread(CEmail& email);
    friend void StopEmailThread(CEmail& email);
    static void InstanceThread(CEmail* email);
    void CheckAccounts();
    void Poll(CEmailAccount& account);
    // Sleeps until an account is due, at least 10 ms, at most a second; a stop wakes it at once.
    void WaitForNextPass();
    void ApplyStreamerColours();
    void DrawEnvelope();
    void DrawStreamers();

    bool m_Showing = false;
    // Between the checking thread and the render thread. One set per module:
    // the preview and the full-screen saver each watch on their own.
    std::atomic<bool> m_FirstPassDone{false};
    std::atomic<bool> m_Quit{false};
    std::atomic<int32_t> m_NewMailCount{0};
    int32_t m_LastSeenCount = 0;
    std::mutex m_WaitMutex;
    std::condition_variable m_Wake;
    XEmail m_Client;
    BoundedWorker m_Worker;
};
