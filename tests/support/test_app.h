#pragma once

#include "app_state.h"
#include "run/registries.h"
#include "test_support.h"

namespace nomispot::test {

// The windows' shared state on a real settings file in a temporary directory, with recording
// message and shell services.
struct TestApp : TestSettings {
    TestApp();
    MessageRecorder messages;
    ShellRecorder shell;
    Registries registries;
    AppState state;
};

} // namespace nomispot::test
