// The option pages the main form's list opens, made by the files that build
// them, so that the form names none of their classes.
#pragma once

#include <gtk/gtk.h>

#include <map>
#include <memory>

#include "config_dialog/gtk/CGtkPage.h"
#include "config_dialog/logic/DialogRules.h"

using OptionPageSet = std::map<OptionPage, std::unique_ptr<CGtkPage>>;

// Background / star fields, rendering, special effects, desktop wallpaper,
// internet and weather.
void AddScenePages(OptionPageSet& pages, CMainFormState& form);
// Date and time, reminders and lists, video mode, sound and e-mail.
void AddServicePages(OptionPageSet& pages, CMainFormState& form);
// The help window the main form's "Help" button opens.
void RunHelpWindow(GtkWindow* parent);
