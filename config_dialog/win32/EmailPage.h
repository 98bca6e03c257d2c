// The e-mail page: the new-mail notice's switches and sound, and the POP3
// accounts it watches, with a test of an account against its real server.
#pragma once

#include "config_dialog/win32/ScenePages.h"

class CEmailPage : public CPageDialog {
public:
    explicit CEmailPage(CMainFormState& form);

protected:
    void AttachControls() override;
    void Fill() override;
    void PageCommand(WPARAM wParam, LPARAM lParam) override;

private:
    std::vector<CheckSetting> Boxes();
    void ShowWaveName();
    void FillAccounts();
    void ShowAccount(int index);
    int SelectedAccount();
    void AddAccount();
    void UpdateAccount();
    void RemoveAccount();
    void TestAccount();
    void Error(const char* text);

    CCheckBox m_Notify, m_Text, m_Streamers, m_CycleStreamers, m_RandStreamers, m_Red, m_Green, m_Blue;
    CRadioGroup m_Sound;
    CTextControl m_Server, m_User, m_Password, m_WaveName;
    CComboBox m_Minutes;
    CListBox m_Accounts;
};
