#include "app/status_bar.h"

#include <commctrl.h>

#include "app/wide_text.h"
#include "resources/resource_ids.h"

namespace quenzar::app {

void createStatusBar(AppState& state) {
    if (state.statusBar != nullptr && IsWindow(state.statusBar)) return;
    state.statusBar = CreateStatusWindowW(WS_CHILD | WS_VISIBLE, L"", state.mainWindow, QUENZAR_STATUS_BAR);
    if (state.statusBar == nullptr) return;
    int rightEdges[2] = {130, -1};
    SendMessageW(state.statusBar, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(rightEdges));
    // The folder is too long for the first, narrow part; it goes into the wide second one.
    const std::string label = std::string(state.texts.folderLabelText()) + state.statusFolder;
    SendMessageW(state.statusBar, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(wideFrom1251(label).c_str()));
}

void closeStatusBar(AppState& state) {
    if (state.statusBar == nullptr) return;
    if (IsWindow(state.statusBar)) SendMessageW(state.statusBar, WM_CLOSE, 0, 0);
    state.statusBar = nullptr;
}

}  // namespace quenzar::app
