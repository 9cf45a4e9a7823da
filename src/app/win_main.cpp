// Entry of the desktop program: the application's state is made here and lives until the process
// ends; start-up (app/startup.cpp) does the rest.
#include <windows.h>

#include <cstdlib>

#include "app/app_state.h"
#include "app/startup.h"
#include "app/web_pages.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace quenzar;
    static app::AppState state;  // the whole run's state: a window procedure reaches it until the end
    state.disks = platform::makeDiskSystemFromEnvironment();
    state.webServer = app::webServer(std::getenv("QUENZAR_SERVER"));
    state.sendLimits = online::transportLimitsOf(std::getenv("QUENZAR_HTTP_TIMEOUT"));
    const int exitCode = app::startUp(state, GetCommandLineW(), GetUserDefaultLangID());
    ExitProcess(static_cast<UINT>(exitCode));
}
