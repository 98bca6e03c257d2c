#include "config_dialog/gtk/CritterPage.h"

#include <algorithm>
#include <string>

#include "app/CScreenSaver.h"
#include "config_dialog/logic/DialogRules.h"

CGtkCritterPage::CGtkCritterPage(CMainFormState& form)
    : CGtkPage("Critter settings", ScenePage::Critters, form, Buttons{nullptr, nullptr, nullptr}) {}

GtkWidget* CGtkCritterPage::Build() {
    CCritters& c = m_Saver.Critters();
    m_LadyBugs = CheckBox("Ladybugs");
    m_Worms = CheckBox("Wiggle worms");
    m_Bees = CheckBox("Buzzzy bees");
    const std::pair<GtkWidget*, bool*> boxes[] = {
        {m_LadyBugs, &c.LadyBugs}, {m_Worms, &c.WiggleWorms}, {m_Bees, &c.BuzzzyBees}};
    for (const auto& [box, setting] : boxes)
        OnSignal(box, "toggled", [this, box = box, setting = setting] {
            *setting = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(box)) != FALSE;
            Changed();
        });
    m_Number = DigitsField(8);
    gtk_widget_set_name(m_Number, "critters");
    GtkWidget* numberLabel = TextLabel("Number of critters");
    gtk_label_set_mnemonic_widget(GTK_LABEL(numberLabel), m_Number);
    OnSignal(m_Number, "changed", [this] { ChangedTo(m_Saver.Critters().NumCritters, DigitsValue(FieldText(m_Number))); });
    m_Size = RadioGroup({"Small", "Medium", "Large"});
    m_Speed = RadioGroup({"Slow", "Normal", "Fast"});
    m_Size.OnChange([this] {
        m_Saver.Critters().Size = m_Size.Selected();
        Changed();
    });
    m_Speed.OnChange([this] {
        m_Saver.Critters().Speed = m_Speed.Selected();
        Changed();
    });
    GtkWidget* row = Row({Group("Critters", Column({m_LadyBugs, m_Worms, m_Bees}, 2)),
                          Group("Population", Column({numberLabel, m_Number}, 4)), Group("Size", m_Size.Box()),
                          Group("Speed", m_Speed.Box())},
                         6);
    gtk_container_set_border_width(GTK_CONTAINER(row), 6);
    return row;
}

void CGtkCritterPage::Fill() {
    CCritters& c = m_Saver.Critters();
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(m_LadyBugs), c.LadyBugs);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(m_Worms), c.WiggleWorms);
    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(m_Bees), c.BuzzzyBees);
    SetField(m_Number, std::to_string(c.NumCritters));
    m_Size.Select(std::clamp<int32_t>(c.Size, 0, 2));
    m_Speed.Select(std::clamp<int32_t>(c.Speed, 0, 2));
}
