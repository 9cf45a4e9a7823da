#include "app/startup.h"

#include "app/main_window.h"
#include "app/wide_text.h"
#include "disk/inventory.h"
#include "recovery/analysis.h"

namespace quenzar::app {
namespace {

std::string windowsFolder1251() {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(folder, MAX_PATH);
    return length < MAX_PATH ? text1251FromWide({folder, length}) : std::string();
}

// The true version of the running Windows. GetVersionEx answers 6.2 to a program without a
// compatibility manifest on every later Windows, which would give Windows 10 the message meant
// for version 6; the system library's own answer is not adjusted that way.
OSVERSIONINFOW runningVersion() {
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto rtlGetVersion = ntdll != nullptr
                             ? reinterpret_cast<RtlGetVersionFunction>(
                                   reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                             : nullptr;
    if (rtlGetVersion == nullptr || rtlGetVersion(&version) != 0) {
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        GetVersionExW(&version);
#pragma GCC diagnostic pop
    }
    return version;
}

}  // namespace

std::string currentFolder1251() {
    wchar_t folder[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, folder);
    return length < MAX_PATH ? text1251FromWide({folder, length}) : std::string();
}

char osClassOf(DWORD majorVersion) { return majorVersion == 6 ? '7' : 'X'; }

bool checkWindowsVersion(AppState& state, DWORD platformId, DWORD majorVersion) {
    if (platformId != VER_PLATFORM_WIN32_NT) {
        const texts::MessageText message = texts::wrongSystemMessage();
        state.seams.showMessage(message.text, message.caption, MB_ICONERROR);
        return false;
    }
    state.osClass = osClassOf(majorVersion);
    return true;
}

bool checkDiskRights(AppState& state) {
    if (state.disks && state.disks->openDisk('0', platform::AccessMode::ReadWrite) != nullptr) return true;
    const texts::MessageText message = texts::rightsMessage(state.texts.uiLanguage, state.osClass);
    state.seams.showMessage(message.text, message.caption, MB_ICONERROR);
    return false;
}

int startUp(AppState& state, std::wstring_view commandLine, LANGID userLanguage) {
    state.texts.uiLanguage = startsInEnglish(commandLine, userLanguage) ? text::Language::English : text::Language::Russian;
    state.instance = GetModuleHandleW(nullptr);
    state.windowsFolder = windowsFolder1251();
    state.programFolder = currentFolder1251();

    const OSVERSIONINFOW version = runningVersion();
    if (!checkWindowsVersion(state, version.dwPlatformId, version.dwMajorVersion)) return 0;
    if (!checkDiskRights(state)) return 0;

    rebuildInventory(state);
    texts::selectTexts(state.texts, state.texts.uiLanguage);

    // 0 after a normal end; 1 only when the window could not be made or the loop failed.
    const int loopResult = runMainWindow(state);
    // Only the work file of this run's analysis goes: a file of that name the program did not make
    // stays. A missing file is no error.
    recovery::removeWorkFile(state.analysis.result);
    return loopResult;
}

}  // namespace quenzar::app
