#pragma once

#include "app_state.h"

class QWidget;

namespace nomispot {

class frmMain;

// The settings part of start-up: the first-run set-up with its wizard, or the stored selection
// and DNS settings on every later run.
void StartupInit(AppState& state, QWidget* parent);

// Loads the catalogue, runs StartupInit and shows the window. False when the data file is
// missing: its message was shown and the program must end without writing any setting.
bool StartUp(frmMain& window, AppState& state);

} // namespace nomispot
