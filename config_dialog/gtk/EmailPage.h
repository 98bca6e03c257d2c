// The e-mail page of the Linux view: the new-mail notice's switches and sound,
// and the POP3 accounts it watches, with a test of an account against its
// real server that runs off the GTK thread, so the window keeps answering.
#pragma once

#include <memory>

#include "config_dialog/gtk/CGtkPage.h"
#include "config_dialog/gtk/GtkKit.h"
#include "config_dialog/gtk/ServicePages.h"

class CGtkEmailPage : public CGtkPage {
public:
    explicit CGtkEmailPage(CMainFormState &form);
    ~CGtkEmailPage() override;

protected:
    GtkWidget *Build() override;
    void Fill() override;

private:
    struct TestRun;

    void ShowWaveName();
    void FillAccounts();
    void ShowAccount(int index);
    int SelectedAccount();
    int ChosenMinutes() const;
    void AddAccount();
    void UpdateAccount();
    void RemoveAccount();
    void StartTest();
    void ShowBusy(bool busy);
    // On the GTK thread, once the test's thread has ended.
    static gboolean TestEnded(gpointer run);
    // Closing the page cuts a test in progress short and waits for its thread.
    void AbandonTest();

    GtkWidget *m_Notify = nullptr, *m_Text = nullptr, *m_Streamers = nullptr, *m_CycleStreamers = nullptr,
              *m_RandStreamers = nullptr, *m_Red = nullptr, *m_Green = nullptr, *m_Blue = nullptr;
    GtkWidget *m_Server = nullptr, *m_User = nullptr, *m_Password = nullptr, *m_WaveName = nullptr;
    GtkWidget *m_Test = nullptr, *m_Spinner = nullptr;
    CRadioChoice m_Sound;
    CChoice m_Minutes;
    CTextList m_Accounts;
    std::shared_ptr<TestRun> m_Run;
};
