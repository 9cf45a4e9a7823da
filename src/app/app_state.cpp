#include "app/app_state.h"

#include <shellapi.h>
#include <shlobj.h>

#include "app/wide_text.h"
#include "disk/inventory.h"

namespace quenzar::app {
namespace {

// The folder chooser's own window title, set once the chooser is there. A function of its own:
// the 32-bit calling convention of the callback takes no lambda.
int CALLBACK setChooserTitle(HWND chooser, UINT message, LPARAM, LPARAM title) {
    if (message == BFFM_INITIALIZED) SetWindowTextW(chooser, reinterpret_cast<const wchar_t*>(title));
    return 0;
}

}  // namespace

ShellSeams systemSeams() {
    ShellSeams seams;
    seams.showMessage = [](std::string_view text, std::string_view caption, UINT flags) {
        return MessageBoxW(nullptr, wideFrom1251(text).c_str(), wideFrom1251(caption).c_str(), flags);
    };
    // Shown normally: a page opened hidden would leave the user with nothing to see.
    seams.openPage = [](const std::string& address) {
        ShellExecuteW(nullptr, nullptr, wideFrom1251(address).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    };
    seams.runPowerAction = [](disk::PowerAction action) { disk::runPowerAction(action); };
    seams.chooseFolder = [](HWND owner, std::string_view title,
                            std::string_view instruction) -> std::optional<std::string> {
        std::wstring windowTitle = wideFrom1251(title);
        const std::wstring wideInstruction = wideFrom1251(instruction);
        BROWSEINFOW browse{};
        browse.hwndOwner = owner;
        browse.lpszTitle = wideInstruction.c_str();
        browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
        browse.lpfn = setChooserTitle;
        browse.lParam = reinterpret_cast<LPARAM>(windowTitle.data());
        PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse);
        if (chosen == nullptr) return std::nullopt;
        wchar_t path[MAX_PATH] = {};
        const bool named = SHGetPathFromIDListW(chosen, path) != FALSE;
        CoTaskMemFree(chosen);
        if (!named) return std::nullopt;
        return text1251FromWide(path);
    };
    seams.endProcess = [](int exitCode) { ExitProcess(static_cast<UINT>(exitCode)); };
    return seams;
}

void rebuildInventory(AppState& state) {
    if (!state.disks) return;
    state.inventory.language = state.texts.uiLanguage;
    disk::BuildDiskInventory(state.inventory, *state.disks);
    ++state.inventoryBuilds;
}

}  // namespace quenzar::app
