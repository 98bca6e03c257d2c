// The new-mail notice drawn into an offscreen context the way the frame draws
// it: envelope top left, the text line beside it, the streamers, and the
// scene's GL state left as it was.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/GLInclude.h"
#include "platform/Sound.h"
#include "services/CEmail.h"
#include "tests/GLSnapshot.h"
#include "tests/GLTestContext.h"
#include "tests/LoopbackServer.h"
#include "xlib/XPaths.h"
#include "xlib/XRandom.h"

namespace {
constexpr int W = 800, H = 600;

struct QuietSound : SoundService {
    bool PlayWave(const std::string&, bool) override { return true; }
    void Stop() override {}
    void Beep() override {}
};

class EmailDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"Email_A.bmp", "Email_B.bmp"})
            std::filesystem::copy_file(GLTestContext::HostPath(std::string(MG_SOURCE_DIR) + "/assets/" + name),
                                       InstallDir() + name, std::filesystem::copy_options::overwrite_existing);
        SetSoundServiceForTests(&sound);
        XString error;
        XEmail::Init(error);
        gl = std::make_unique<GLTestContext>(W, H);
        ASSERT_TRUE(gl->IsReady()) << gl->Error();
        gl->UseSceneState(1.0);
        glDisable(GL_DITHER);
        XSeedRandom(1);
        FillSinCosTables();
        // White letters, so the pixels are easy to judge.
        email.CycleRed = email.CycleGreen = email.CycleBlue = false;
        // Nothing to watch, nothing made.
        email.Setup(W, H, gl->DeviceContext());
        EXPECT_FALSE(email.Font.IsSetUp());
        EXPECT_TRUE(email.EnvelopeFront.IsEmpty());
        server = std::make_unique<LoopbackServer>(Pop3Script(count));
        CEmailAccount account;
        account.Pop3 = server->Address().c_str();
        email.Accounts.Add(account);
        email.Setup(W, H, gl->DeviceContext());
        ASSERT_TRUE(email.Font.IsSetUp());
        ASSERT_FALSE(email.EnvelopeFront.IsEmpty());
        ASSERT_FALSE(email.EnvelopeBack.IsEmpty());
    }
    void TearDown() override {
        StopEmailThread(email);
        email.Release();
        gl.reset();
        SetSoundServiceForTests(nullptr);
        XString error;
        XEmail::UnInit(error);
    }

    void ShowNotice(int newMail) {
        StartEmailThread(email);
        for (int i = 0; i < 1000 && !email.FirstPassDone(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        count = 3 + newMail;
        for (int i = 0; i < 1000 && email.NewMailCount() != newMail; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        StopEmailThread(email);
        email.Process(XDateTime());
        ASSERT_TRUE(email.IsShowing());
    }

    std::vector<uint8_t> Frame() {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glPushMatrix();
        gluLookAt(0.0, 0.0, -6.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
        email.Draw(XDateTime());
        glPopMatrix();
        glFinish();
        return gl->ReadPixels();
    }

    // Pixels inside a box of the overlay's coordinates (-1..1) that pass `test`.
    template <class Test>
    static int Count(const std::vector<uint8_t>& px, float x0, float x1, float y0, float y1, Test test) {
        auto col = [](float x) { return static_cast<int>((x + 1) / 2 * W); };
        auto row = [](float y) { return static_cast<int>((y + 1) / 2 * H); };
        int n = 0;
        for (int y = std::max(0, row(y0)); y < std::min(H, row(y1)); ++y)
            for (int x = std::max(0, col(x0)); x < std::min(W, col(x1)); ++x)
                if (test(&px[static_cast<size_t>((y * W + x) * 4)])) ++n;
        return n;
    }
    static int Lit(const std::vector<uint8_t>& px, float x0, float x1, float y0, float y1) {
        return Count(px, x0, x1, y0, y1, [](const uint8_t* p) { return p[0] > 30 || p[1] > 30 || p[2] > 30; });
    }

    QuietSound sound;
    std::atomic<int> count{3};
    std::unique_ptr<LoopbackServer> server;
    std::unique_ptr<GLTestContext> gl;
    CEmail email;
};
}  // namespace

TEST_F(EmailDrawTest, NothingBeforeNewMail) {
    EXPECT_EQ(Lit(Frame(), -1, 1, -1, 1), 0);
}

TEST_F(EmailDrawTest, EnvelopeTopLeftWithTheTextBeside) {
    ShowNotice(2);
    email.DisplayStreamers = false;
    email.SpinAngle = -1;
    email.LastSpin.SetToNow();
    std::vector<uint8_t> px = Frame();
    if (const char* dir = std::getenv("MG_SCREENSHOT_DIR"))
        gl->SavePng(std::string(dir) + "/email-notice-" + GLTestContext::PlatformName() + ".png");
    // The envelope: a 0.11 x 0.06 card at (-0.93, 0.93), seen face on at angle 0.
    const int envelope = Lit(px, -0.985f, -0.875f, 0.9f, 0.96f);
    EXPECT_GT(envelope, static_cast<int>(0.8 * 0.11 * 0.06 / 4 * W * H));
    // The text from x -0.86 rightwards, centred on y 0.925; nothing below it.
    EXPECT_GT(Lit(px, -0.86f, -0.3f, 0.905f, 0.945f), 300);
    EXPECT_EQ(Lit(px, -1.0f, 1.0f, -1.0f, 0.85f), 0);
    EXPECT_EQ(Lit(px, 0.0f, 1.0f, -1.0f, 1.0f), 0);

    // Text off: only the envelope remains.
    email.DisplayText = false;
    px = Frame();
    EXPECT_GT(Lit(px, -0.985f, -0.875f, 0.9f, 0.96f), 0);
    EXPECT_EQ(Lit(px, -0.86f, 1.0f, -1.0f, 1.0f), 0);

    // Without its pictures the notice draws nothing at all.
    email.DisplayText = true;
    email.EnvelopeBack.Release();
    EXPECT_EQ(Lit(Frame(), -1, 1, -1, 1), 0);
}

TEST_F(EmailDrawTest, StreamersRedAndBlueAroundTheirPost) {
    ShowNotice(1);
    email.DisplayText = false;
    email.CycleStreamers = false;
    // Frames as the saver runs them: the emitters learn their place in Draw.
    std::vector<uint8_t> px;
    for (int i = 0; i < 40; ++i) {
        email.Process(XDateTime());
        px = Frame();
    }
    if (const char* dir = std::getenv("MG_SCREENSHOT_DIR"))
        gl->SavePng(std::string(dir) + "/email-streamers-" + GLTestContext::PlatformName() + ".png");
    auto red = [](const uint8_t* p) { return p[0] > 40 && p[0] > 2 * p[2]; };
    auto blue = [](const uint8_t* p) { return p[2] > 40 && p[2] > 2 * p[0]; };
    // Both sway about x = -0.66 near the top, within 0.175 either side plus their spread.
    EXPECT_GT(Count(px, -0.9f, -0.4f, 0.8f, 1.0f, red), 20);
    EXPECT_GT(Count(px, -0.9f, -0.4f, 0.8f, 1.0f, blue), 20);
    EXPECT_EQ(Count(px, 0.0f, 1.0f, -1.0f, 1.0f, red) + Count(px, 0.0f, 1.0f, -1.0f, 1.0f, blue), 0);
}

TEST_F(EmailDrawTest, LeavesTheGLStateAsItFoundIt) {
    ShowNotice(3);
    glEnable(GL_FOG);
    glPushMatrix();
    gluLookAt(0.0, 0.0, -6.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
    ASSERT_EQ(GLenum(GL_NO_ERROR), glGetError());
    const int sense = GetRotationSense();
    GLint boundBefore = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundBefore);
    for (int bits = 0; bits < 4; ++bits) {
        email.DisplayText = bits & 1;
        email.DisplayStreamers = bits & 2;
        for (int spin : {-1, 90}) {
            email.SpinAngle = spin;
            email.Process(XDateTime());
            const GLSnapshot before = GLSnapshot::Take();
            email.Draw(XDateTime());
            GLSnapshot::Take().ExpectSame(before, "switches " + std::to_string(bits));
            ASSERT_EQ(GLenum(GL_NO_ERROR), glGetError()) << bits;
            GLint texture = -1;
            glGetIntegerv(GL_TEXTURE_BINDING_2D, &texture);
            EXPECT_EQ(texture, boundBefore);
        }
    }
    EXPECT_EQ(GetRotationSense(), sense);
    glPopMatrix();
    glDisable(GL_FOG);
}
