#include "config_dialog/gtk/OptionPages.h"

void AddServicePages(OptionPageSet&, CMainFormState&) {}
