#include "test_app.h"

namespace nomispot::test {

TestApp::TestApp() {
    state.dataDir = binDir();
    state.store = store.get();
    state.messages = &messages;
    state.shell = &shell;
}

} // namespace nomispot::test
