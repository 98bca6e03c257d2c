// The main form's "Critter settings" tab: which critters, how many, their
// size and speed.
#pragma once

#include "config_dialog/gtk/CGtkPage.h"
#include "config_dialog/gtk/GtkKit.h"

class CGtkCritterPage : public CGtkPage {
public:
    explicit CGtkCritterPage(CMainFormState& form);

protected:
    GtkWidget* Build() override;
    void Fill() override;

private:
    GtkWidget *m_LadyBugs = nullptr, *m_Worms = nullptr, *m_Bees = nullptr, *m_Number = nullptr;
    RadioGroup m_Size, m_Speed;
};
