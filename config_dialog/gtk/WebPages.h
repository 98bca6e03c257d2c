// The internet and weather pages, and the help window: the news exit task's
// switches, the weather overlay's zip code, the help and support launchers.
#pragma once

#include <string>

#include "config_dialog/gtk/ScenePages.h"

class CGtkInternetPage : public CGtkPage {
public:
    explicit CGtkInternetPage(CMainFormState& form);

protected:
    GtkWidget* Build() override;
    void Fill() override;

private:
    // Each box and the switch it shows.
    std::vector<std::pair<GtkWidget*, bool*>> m_Boxes;
};

class CGtkWeatherPage : public CGtkPage {
public:
    explicit CGtkWeatherPage(CMainFormState& form);

protected:
    GtkWidget* Build() override;
    void Fill() override;

private:
    GtkWidget *m_Zip = nullptr, *m_Temp = nullptr, *m_Provider = nullptr;
};

// The file:// address of the installation's help page, Help.htm.
std::string HelpPageUri();
