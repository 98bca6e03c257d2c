// The critter tab and the scene option pages as Win32 dialogs: each control
// writes its setting into the module at once and reports the change to the
// page's model, which holds the page pattern.
#pragma once

#include "config_dialog/logic/CPageModel.h"
#include "config_dialog/win32/CDialogBase.h"
#include "config_dialog/win32/Controls.h"

class CScreenSaver;

// The pictures chosen in the multiple-selection "Graphics files" open dialog;
// empty when the user cancelled.
std::vector<std::string> ChoosePictureFiles(HWND owner);

class CPageDialog : public CDialogBase {
public:
    CPageDialog(WORD templateId, int defaultId, ScenePage page, CMainFormState& form);
    // A page with its own OK and Cancel identifiers, editing `modules`.
    CPageDialog(WORD templateId, int okId, int cancelId, int defaultId, std::vector<CPageModel::Module> modules,
                CMainFormState& form);
    bool OnInitDialog() override;
    void OnCommand(WPARAM wParam, LPARAM lParam) override;
    void OnClose() override;

protected:
    // Attaches the wrappers to the new window.
    virtual void AttachControls() = 0;
    // Sets every control from the settings, then the enable states.
    virtual void Fill() = 0;
    virtual void PageCommand(WPARAM wParam, LPARAM lParam) {}
    void Changed() { m_Model.Changed(); }
    void Cancel();

    CScreenSaver& m_Saver;
    CPageModel m_Model;
    int m_OkId, m_CancelId;
    int m_DefaultId;
};

class CCritterPage : public CPageDialog {
public:
    explicit CCritterPage(CMainFormState& form);
    // The settings may have changed under the page (main form's Default).
    void Refill() {
        if (Window()) Fill();
    }

protected:
    void AttachControls() override;
    void Fill() override;
    void PageCommand(WPARAM wParam, LPARAM lParam) override;

private:
    CCheckBox m_LadyBugs, m_Worms, m_Bees;
    CTextControl m_Number;
    CRadioGroup m_Size, m_Speed;
};

class CBackgroundPage : public CPageDialog {
public:
    explicit CBackgroundPage(CMainFormState& form);
    void OnHScroll(WPARAM wParam, LPARAM lParam) override;

protected:
    void AttachControls() override;
    void Fill() override;
    void PageCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void StarEnables();
    void PictureEnables();
    void AddPictures();
    void RemovePicture();

    CCheckBox m_StarsOn, m_Rotate, m_PicsOn, m_CycleColor;
    CRadioGroup m_Type, m_Style;
    CComboBox m_Colour;
    CScrollBar m_StarSpeed, m_Minutes;
    CTextControl m_Amount, m_MinutesLabel;
    CButton m_Add, m_Remove;
    CListBox m_List;
};

class CRenderingPage : public CPageDialog {
public:
    explicit CRenderingPage(CMainFormState& form);

protected:
    void AttachControls() override;
    void Fill() override;
    void PageCommand(WPARAM wParam, LPARAM lParam) override;

private:
    CRadioGroup m_Style, m_Detail;
};

class CEffectsPage : public CPageDialog {
public:
    explicit CEffectsPage(CMainFormState& form);
    void OnHScroll(WPARAM wParam, LPARAM lParam) override;
    void OnVScroll(WPARAM wParam, LPARAM lParam) override;
    void OnPaint() override;

protected:
    void AttachControls() override;
    void Fill() override;
    void PageCommand(WPARAM wParam, LPARAM lParam) override;

private:
    void Enables();
    void ShowValues();
    void PaintSample(HDC dc);

    CScrollBar m_LifeTime, m_Intensity, m_Detail, m_Size, m_BlurAmount, m_Density, m_Red, m_Green, m_Blue;
    CCheckBox m_Blur, m_Fog;
};
