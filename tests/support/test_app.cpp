#include "test_app.h"

namespace nomispot::test {

TestApp::TestApp() : registries(binDir()) {
    state.dataDir = binDir();
    state.registries = &registries;
    state.store = store.get();
    state.messages = &messages;
    state.shell = &shell;
}

} // namespace nomispot::test
