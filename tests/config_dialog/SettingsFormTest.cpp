// The main form's commands and the page pattern against real settings files:
// what is written, restored or left alone after each step.
#include "config_dialog/logic/CMainForm.h"
#include "config_dialog/logic/CPageModel.h"
#include "config_dialog/logic/DialogRules.h"
#include "config_dialog/logic/TimeSoundRules.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/CScreenSaver.h"
#include "app/ConfigFile.h"
#include "platform/Paths.h"
#include "services/CReminders.h"
#include "tests/TestSupport.h"
#include "xlib/ConfigSection.h"
#include "xlib/XPaths.h"

namespace {
struct SettingsForm : ::testing::Test {
    void SetUp() override {
        m_OldInstall = GetInstallPath();
        SetInstallPath(m_Install.Path());
        SetSharedPath(m_Shared.Path());
        ConfigSimulateWriteFailureForTests(-1);
        // The dialog opens as the Windows program opens it.
        ASSERT_TRUE(m_Saver.BackupConfig());
        ASSERT_TRUE(m_Saver.Load());
        m_MainAtOpen = ReadWholeFile(MainPath());
        m_SharedAtOpen = ReadWholeFile(SharedPath());
        m_Form.Opened();
    }
    void TearDown() override {
        m_Form.Closing();
        ConfigSimulateWriteFailureForTests(-1);
        SetSharedPath("");
        SetInstallPath(m_OldInstall);
    }
    std::string MainPath() const { return m_Install.File("Meadowglow.xml"); }
    std::string SharedPath() const { return m_Shared.File("Shared.xml"); }
    int32_t FileInt(const char* section, const char* key) const {
        return ConfigReadInt(ConfigSectionText(XString(ReadWholeFile(MainPath()).c_str()), section), key);
    }
    bool FilesAsAtOpen() const {
        return ReadWholeFile(MainPath()) == m_MainAtOpen && ReadWholeFile(SharedPath()) == m_SharedAtOpen;
    }
    CPageModel Page(ScenePage page) { return CPageModel(m_Form.State(), ScenePageModules(page, m_Saver)); }

    TempDir m_Install, m_Shared;
    std::string m_OldInstall, m_MainAtOpen, m_SharedAtOpen;
    CScreenSaver m_Saver;
    int m_Refreshes = 0;
    CMainForm m_Form{m_Saver, [this] { ++m_Refreshes; }};
};
}  // namespace

TEST_F(SettingsForm, OpeningCreatesTheFilesAndStartsThePreviewClean) {
    EXPECT_TRUE(FileExists(MainPath()));
    EXPECT_TRUE(FileExists(SharedPath()));
    EXPECT_EQ(m_Refreshes, 1);
    EXPECT_TRUE(m_Form.Watcher().Running());
    EXPECT_FALSE(m_Form.State().SaveEnabled());
    EXPECT_FALSE(m_Form.State().RefreshEnabled());
}

TEST_F(SettingsForm, ExitAnswers) {
    int asked = 0;
    // Right after opening: no question, files untouched.
    EXPECT_EQ(m_Form.Exit(10, [&] { ++asked; return Answer::Yes; }), CMainForm::ExitResult::Close);
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(FilesAsAtOpen());

    // A change is in the files at once, and the form says it is unsaved.
    m_Form.SpeedChanged(55);
    EXPECT_EQ(FileInt("General", "SaverSpeed"), 55);
    EXPECT_TRUE(m_Form.State().SaveEnabled());
    EXPECT_TRUE(m_Form.State().RefreshEnabled());
    EXPECT_EQ(m_Form.Watcher().Pending(), 1u);

    // Cancel keeps the dialog and the change.
    EXPECT_EQ(m_Form.Exit(55, [&] { ++asked; return Answer::Cancel; }), CMainForm::ExitResult::Stay);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(FileInt("General", "SaverSpeed"), 55);

    // No puts both files back byte for byte.
    WriteWholeFile(SharedPath(), "changed meanwhile");
    EXPECT_EQ(m_Form.Exit(55, [&] { ++asked; return Answer::No; }), CMainForm::ExitResult::Close);
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(FilesAsAtOpen());
}

TEST_F(SettingsForm, SavingPaths) {
    // Yes saves with the bar's position.
    m_Form.SpeedChanged(30);
    EXPECT_EQ(m_Form.Exit(31, [] { return Answer::Yes; }), CMainForm::ExitResult::Close);
    EXPECT_EQ(FileInt("General", "SaverSpeed"), 31);
    EXPECT_FALSE(m_Form.State().SaveEnabled());

    // "Save && exit" saves without asking.
    m_Form.SpeedChanged(40);
    EXPECT_EQ(m_Form.SaveAndExit(41), CMainForm::ExitResult::Close);
    EXPECT_EQ(FileInt("General", "SaverSpeed"), 41);

    // A failed save leaves the change marked unsaved, so Exit still asks.
    m_Form.SpeedChanged(50);
    ConfigSimulateWriteFailureForTests(0);
    EXPECT_FALSE(m_Form.Save(50));
    EXPECT_TRUE(m_Form.State().SaveEnabled());
    EXPECT_EQ(m_Form.SaveAndExit(50), CMainForm::ExitResult::SaveFailed);
    ConfigSimulateWriteFailureForTests(-1);
    EXPECT_TRUE(m_Form.Save(50));
    EXPECT_FALSE(m_Form.State().SaveEnabled());
}

TEST_F(SettingsForm, DefaultAnswers) {
    struct Case {
        Answer answer;
        bool changed, starsReset, crittersReset;
    };
    const Case cases[] = {{Answer::Cancel, false, false, false},
                          {Answer::No, true, false, true},
                          {Answer::Yes, true, true, true}};
    for (const Case& c : cases) {
        m_Saver.General().SaverSpeed = 77;
        m_Saver.Stars().Amount = 12;
        m_Saver.Critters().NumCritters = 3;
        m_Form.State().EnableSave(false);
        int reinits = 0;
        EXPECT_EQ(m_Form.Default(c.answer, [&] { ++reinits; }), c.changed);
        EXPECT_EQ(reinits, c.changed ? 1 : 0);
        EXPECT_EQ(m_Saver.General().SaverSpeed, c.changed ? 10u : 77u);
        EXPECT_EQ(m_Saver.Stars().Amount, c.starsReset ? 1000 : 12);
        EXPECT_EQ(m_Saver.Critters().NumCritters, c.crittersReset ? 100u : 3u);
        EXPECT_EQ(m_Form.State().SaveEnabled(), c.changed);
    }
}

TEST_F(SettingsForm, PageOkWritesOnlyAfterAChange) {
    CPageModel page = Page(ScenePage::Effects);
    page.Open();
    std::remove(MainPath().c_str());
    EXPECT_FALSE(page.Ok());
    EXPECT_FALSE(FileExists(MainPath())) << "an unchanged page wrote the file";

    // Filling the controls before the page is live counts for nothing.
    bool live = false;
    page.SetLiveFlag(&live);
    page.Open();
    page.Changed();
    EXPECT_FALSE(page.IsModified());
    live = true;
    m_Saver.Effects().FogDensity = 66;
    page.Changed();
    EXPECT_TRUE(page.IsModified());
    EXPECT_EQ(FileInt("Effects", "Density"), 66);
    EXPECT_TRUE(page.Ok());
}

TEST_F(SettingsForm, PageCancelRevertsOnlyItsOwnSections) {
    // A main-form change first, then the background page changes two sections.
    m_Form.SpeedChanged(25);
    m_Form.Save(25);
    ASSERT_FALSE(m_Form.State().SaveEnabled());
    m_Saver.Effects().FogDensity = 71;  // as if changed on another page meanwhile
    const unsigned pictures = m_Saver.BgBitmap().Pictures.GetCount();
    CPageModel page = Page(ScenePage::Background);
    page.Open();
    m_Saver.Stars().Enabled = true;
    m_Saver.Stars().Type = kStarsStill;
    AddPictures(m_Saver.BgBitmap(), {"/tmp/extra.bmp"});
    page.Changed();
    EXPECT_TRUE(m_Form.State().SaveEnabled());
    EXPECT_EQ(FileInt("Stars", "Type"), kStarsStill);

    page.Cancel(m_Saver.MainBackup());
    EXPECT_FALSE(m_Saver.Stars().Enabled);
    EXPECT_EQ(m_Saver.Stars().Type, kStarsWarp);
    EXPECT_EQ(m_Saver.BgBitmap().Pictures.GetCount(), pictures);
    EXPECT_EQ(FileInt("Stars", "Type"), kStarsWarp);
    EXPECT_EQ(FileInt("BgBitmap", "NumPictures"), static_cast<int32_t>(pictures));
    EXPECT_EQ(m_Saver.General().SaverSpeed, 25u);
    EXPECT_EQ(FileInt("Effects", "Density"), 71);
    EXPECT_FALSE(m_Form.State().SaveEnabled()) << "the main save state was not put back";

    // The rendering page keeps the main form's speed when it reverts.
    CPageModel rendering = Page(ScenePage::Rendering);
    rendering.Open();
    m_Saver.General().RenderStyle = 0;
    rendering.Changed();
    rendering.Cancel(m_Saver.MainBackup());
    EXPECT_EQ(m_Saver.General().RenderStyle, 2u);
    EXPECT_EQ(m_Saver.General().SaverSpeed, 25u);
}

TEST_F(SettingsForm, ServicePageCancelRevertsItsSectionsAndDefaultKeepsTheReminders) {
    auto mainSection = [&](const char* name) {
        return std::string(ConfigSectionText(XString(ReadWholeFile(MainPath()).c_str()), name).View());
    };
    const XString atOpen(m_MainAtOpen.c_str());
    struct Case {
        ServicePage page;
        std::vector<const char*> sections;
        std::function<void()> change;
    };
    const Case cases[] = {
        {ServicePage::DateTime, {"DateTime"}, [&] { m_Saver.DateTime().CountDownMessage = "changed"; }},
        {ServicePage::VideoMode, {"VideoMode"}, [&] { m_Saver.VideoMode().ThreadPriority = -2; }},
        {ServicePage::Sound, {"Sound", "CDPlayer"}, [&] {
             m_Saver.Alarm().AlarmType = 2;
             m_Saver.CDPlayer().AutoOffMinutes = 9;
         }},
        {ServicePage::Reminders, {"Reminders"}, [&] {
             m_Saver.Reminders().Enabled = true;
             CReminder rem;
             rem.RemMsg = "new";
             AddReminder(m_Saver.Reminders(), rem);
         }},
    };
    for (const Case& c : cases) {
        m_Saver.Effects().FogDensity = 70 + static_cast<int>(c.page);  // another page's change meanwhile
        CPageModel page(m_Form.State(), ServicePageModules(c.page, m_Saver));
        page.Open();
        c.change();
        page.Changed();
        page.Cancel(m_Saver.MainBackup());
        for (const char* name : c.sections)
            EXPECT_EQ(std::string(ConfigSectionText(atOpen, name).View()), mainSection(name)) << name;
        EXPECT_EQ(FileInt("Effects", "Density"), 70 + static_cast<int>(c.page));
    }
    EXPECT_EQ(ReadWholeFile(SharedPath()), m_SharedAtOpen) << "the reminder list was not put back";

    // Default resets the reminders' switches but keeps the family's list.
    CReminder rem;
    rem.RemMsg = "kept";
    AddReminder(m_Saver.Reminders(), rem);
    m_Saver.Reminders().Enabled = true;
    CPageModel reminders(m_Form.State(), ServicePageModules(ServicePage::Reminders, m_Saver));
    reminders.Open();
    reminders.Default();
    EXPECT_FALSE(m_Saver.Reminders().Enabled);
    EXPECT_EQ(1u, m_Saver.Reminders().List().GetCount());
}

TEST_F(SettingsForm, PageDefaultCountsAsAChange) {
    CPageModel page = Page(ScenePage::Critters);
    page.Open();
    m_Saver.Critters().NumCritters = 5;
    page.Default();
    EXPECT_TRUE(page.IsModified());
    EXPECT_EQ(m_Saver.Critters().NumCritters, 100u);
    EXPECT_EQ(FileInt("Critters", "NumCritters"), 100);
}

TEST_F(SettingsForm, PictureListRemoval) {
    CBgBitmap& bg = m_Saver.BgBitmap();
    bg.Pictures = XStringArray();
    AddPictures(bg, {"a.bmp", "b.jpg"});
    EXPECT_EQ(bg.NumPictures, 2u);
    EXPECT_FALSE(RemovePicture(bg, -1));
    EXPECT_FALSE(RemovePicture(bg, 2));
    EXPECT_TRUE(RemovePicture(bg, 0));
    EXPECT_STREQ(bg.Pictures.Get(0).c_str(), "b.jpg");
    EXPECT_TRUE(RemovePicture(bg, 0));
    EXPECT_EQ(bg.NumPictures, 0u);
    EXPECT_FALSE(PictureEnableStates(true, bg.Pictures.GetCount()).remove);
    EXPECT_FALSE(RemovePicture(bg, 0));
}

TEST_F(SettingsForm, NumberFieldReportsOnlyAChangedValue) {
    // Each step is one notification from the field with the value it then
    // holds; focus in and out notify with the value unchanged.
    struct Step {
        uint32_t value;
        bool change;
    };
    struct Case {
        const char* name;
        ScenePage page;
        const char* section;
        const char* key;
        std::function<bool(CPageModel&, uint32_t)> notify;
    };
    const Case cases[] = {
        {"Number of critters", ScenePage::Critters, "Critters", "NumCritters",
         [this](CPageModel& p, uint32_t v) { return p.ChangedTo(m_Saver.Critters().NumCritters, v); }},
        {"Number of stars", ScenePage::Background, "Stars", "Amount",
         [this](CPageModel& p, uint32_t v) {
             return p.ChangedTo(m_Saver.Stars().Amount, static_cast<int32_t>(v));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const uint32_t atOpen = static_cast<uint32_t>(FileInt(c.section, c.key));
        CPageModel page = Page(c.page);
        page.Open();
        const std::string mainAtStart = ReadWholeFile(MainPath()), sharedAtStart = ReadWholeFile(SharedPath());
        const Step steps[] = {{atOpen, false}, {atOpen, false}, {atOpen + 7, true}, {atOpen + 7, false}, {atOpen, true}};
        for (size_t i = 0; i < sizeof steps / sizeof steps[0]; ++i) {
            const Step& s = steps[i];
            SCOPED_TRACE(i);
            const std::string before = ReadWholeFile(MainPath());
            EXPECT_EQ(s.change, c.notify(page, s.value));
            EXPECT_EQ(static_cast<int32_t>(s.value), FileInt(c.section, c.key));
            if (!s.change) {
                EXPECT_EQ(before, ReadWholeFile(MainPath())) << "an unchanged value rewrote the file";
            }
            if (i < 2) {
                EXPECT_FALSE(page.IsModified());
                EXPECT_FALSE(m_Form.State().SaveEnabled());
                EXPECT_EQ(mainAtStart, ReadWholeFile(MainPath()));
                EXPECT_EQ(sharedAtStart, ReadWholeFile(SharedPath()));
            } else {
                EXPECT_TRUE(page.IsModified());
                EXPECT_TRUE(m_Form.State().SaveEnabled());
            }
        }
        // Put back as it was for the next case's clean start.
        page.Cancel(m_Saver.MainBackup());
        m_Form.State().EnableSave(false);
    }
}
