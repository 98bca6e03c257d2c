#include "config_dialog/gtk/OptionPages.h"

void AddScenePages(OptionPageSet&, CMainFormState&) {}

void RunHelpWindow(GtkWindow*) {}
