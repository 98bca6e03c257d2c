// The scene option pages of the Linux view: background and star fields,
// rendering, special effects. Each control writes its setting into the module
// at once and reports the change; the enable rules and list texts are the
// shared ones of config_dialog/logic.
#pragma once

#include <string>
#include <vector>

#include "config_dialog/gtk/CGtkPage.h"
#include "config_dialog/gtk/GtkKit.h"

class XStringArray;

// The buttons of every option page, as the Windows pages label them.
extern const PageButtons kOptionPageButtons;

// The pictures chosen in the multiple-selection "Graphics files" open dialog;
// empty when the user cancelled.
std::vector<std::string> ChoosePictureFiles(GtkWindow* parent);
// A picture list's lines, in order.
std::vector<std::string> PictureLines(const XStringArray& pictures);

class CGtkBackgroundPage : public CGtkPage {
public:
    explicit CGtkBackgroundPage(CMainFormState& form);

protected:
    GtkWidget* Build() override;
    void Fill() override;

private:
    GtkWidget* BuildStars();
    GtkWidget* BuildPictures();
    void StarEnables();
    void PictureEnables();
    void AddPictures();
    void RemovePicture();

    GtkWidget *m_StarsOn = nullptr, *m_Rotate = nullptr, *m_Colour = nullptr, *m_ColourLabel = nullptr;
    GtkWidget *m_Speed = nullptr, *m_SpeedLabel = nullptr, *m_Slow = nullptr, *m_Fast = nullptr;
    GtkWidget *m_Amount = nullptr, *m_AmountLabel = nullptr;
    GtkWidget *m_PicsOn = nullptr, *m_Add = nullptr, *m_Remove = nullptr, *m_EveryLabel = nullptr;
    GtkWidget *m_Minutes = nullptr, *m_MinutesLabel = nullptr, *m_CycleColor = nullptr;
    RadioGroup m_Type, m_Style;
    TextList m_List;
};

class CGtkRenderingPage : public CGtkPage {
public:
    explicit CGtkRenderingPage(CMainFormState& form);

protected:
    GtkWidget* Build() override;
    void Fill() override;

private:
    RadioGroup m_Style, m_Detail;
};

class CGtkEffectsPage : public CGtkPage {
public:
    explicit CGtkEffectsPage(CMainFormState& form);

protected:
    GtkWidget* Build() override;
    void Fill() override;

private:
    GtkWidget* BuildEmitters();
    GtkWidget* BuildBlur();
    GtkWidget* BuildFog();
    void Enables();
    void ShowValues();
    static gboolean DrawSample(GtkWidget* area, cairo_t* cr, gpointer page);

    GtkWidget *m_LifeTime = nullptr, *m_Intensity = nullptr, *m_Detail = nullptr, *m_Size = nullptr;
    GtkWidget *m_BlurAmount = nullptr, *m_Density = nullptr, *m_Red = nullptr, *m_Green = nullptr, *m_Blue = nullptr;
    GtkWidget *m_Blur = nullptr, *m_Fog = nullptr, *m_Sample = nullptr;
    GtkWidget *m_BlurValue = nullptr, *m_DensityValue = nullptr, *m_RedValue = nullptr, *m_GreenValue = nullptr,
              *m_BlueValue = nullptr;
    // The labels that follow the motion-blur and the fog switches.
    std::vector<GtkWidget*> m_BlurLabels, m_FogLabels;
};
