#pragma once

#include "app_state.h"

namespace nomispot {

class frmMain;

// Gives the main window its menu bar: File (Open Names, Exit), Options (DNS Settings, Domains to search) and
// Help (the help, the web sites, About).
void installMainMenu(frmMain& window, AppState& state);

} // namespace nomispot
