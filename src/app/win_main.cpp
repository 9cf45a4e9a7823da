// Start of the desktop program: choose the language, create the main window, run the message
// loop on this one user-interface thread until the window is destroyed.
#include <windows.h>

#include "app/main_window.h"

namespace {

int runMessageLoop() {
    MSG message{};
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(message.wParam);  // WM_QUIT: the loop's result
        if (got == -1) return 1;
        // No accelerator table: every key reaches the window procedure as a key message.
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    using namespace quenzar::app;
    const bool english = startsInEnglish(GetCommandLineW(), GetUserDefaultLangID());
    HWND window = createMainWindow(instance, english);
    if (window == nullptr) return 1;
    // Always shown normally, whatever show mode the starter asked for: the window has one size.
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    return runMessageLoop();
}
