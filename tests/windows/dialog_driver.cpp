#include "dialog_driver.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "harness.h"

namespace quenzar::wintest {
namespace {

std::function<void(DialogProbe&)> pendingScript;
std::wstring pendingTitle;
// The dialogs that were open when the script was given: an untitled script waits for a new one,
// never for the dialog that gave it.
std::vector<HWND> dialogsOpenBefore;
bool scriptRan = false;
UINT_PTR scriptTimer = 0;

BOOL CALLBACK collectDialog(HWND window, LPARAM found) {
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (std::wstring_view(className) == L"#32770" && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

std::vector<HWND> visibleDialogs() {
    std::vector<HWND> dialogs;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM list) -> BOOL {
            wchar_t className[16] = {};
            GetClassNameW(window, className, 16);
            if (std::wstring_view(className) == L"#32770" && IsWindowVisible(window)) {
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&dialogs));
    return dialogs;
}

HWND newOpenDialog() {
    for (HWND dialog : visibleDialogs()) {
        if (std::find(dialogsOpenBefore.begin(), dialogsOpenBefore.end(), dialog) == dialogsOpenBefore.end()) {
            return dialog;
        }
    }
    return nullptr;
}

void CALLBACK runPendingScript(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = pendingTitle.empty() ? newOpenDialog() : findDialog(pendingTitle);
    if (dialog == nullptr || !pendingScript || !IsWindowVisible(dialog)) return;
    KillTimer(nullptr, scriptTimer);
    scriptTimer = 0;
    auto script = std::move(pendingScript);
    pendingScript = nullptr;
    scriptRan = true;
    DialogProbe probe(dialog);
    try {
        script(probe);
    } catch (const RequireFailed&) {
    }
    // A script that left its dialog open would leave the test waiting for ever. An ended modal
    // dialog is hidden at once and destroyed when its loop returns.
    if (probe.isOpen() && IsWindowVisible(dialog)) probe.close();
}

}  // namespace

std::wstring DialogProbe::title() const {
    wchar_t text[512] = {};
    const int length = GetWindowTextW(dialog_, text, 512);
    return std::wstring(text, static_cast<std::size_t>(length > 0 ? length : 0));
}

std::wstring DialogProbe::text(int controlId) const {
    wchar_t text[1024] = {};
    const UINT length = GetDlgItemTextW(dialog_, controlId, text, 1024);
    return std::wstring(text, length);
}

bool DialogProbe::enabled(int controlId) const {
    HWND control = GetDlgItem(dialog_, controlId);
    return control != nullptr && IsWindowEnabled(control) != FALSE;
}

bool DialogProbe::checked(int controlId) const { return IsDlgButtonChecked(dialog_, controlId) == BST_CHECKED; }

bool DialogProbe::focused(int controlId) const { return GetFocus() == GetDlgItem(dialog_, controlId); }

int DialogProbe::barPosition(int controlId) const {
    return static_cast<int>(SendDlgItemMessageW(dialog_, controlId, PBM_GETPOS, 0, 0));
}

void DialogProbe::click(int controlId) { SendDlgItemMessageW(dialog_, controlId, BM_CLICK, 0, 0); }

void DialogProbe::type(int controlId, std::wstring_view text) {
    SetFocus(GetDlgItem(dialog_, controlId));
    SetDlgItemTextW(dialog_, controlId, std::wstring(text).c_str());
}

void DialogProbe::press(int controlId, WPARAM virtualKey) {
    HWND control = GetDlgItem(dialog_, controlId);
    SetFocus(control);
    PostMessageW(control, WM_KEYDOWN, virtualKey, 1);
    PostMessageW(control, WM_KEYUP, virtualKey, 0xC0000001);
    // The dialog's own loop takes the key; for a modeless dialog the test's loop hands it over.
    MSG message;
    for (int round = 0; round < 5; ++round) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (IsDialogMessageW(dialog_, &message)) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
}

void DialogProbe::pressOnRow(int listId, int row, WPARAM virtualKey) {
    HWND list = GetDlgItem(dialog_, listId);
    LVITEMW state{};
    state.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
    state.state = LVIS_FOCUSED | LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&state));
    SetFocus(list);
    SendMessageW(list, WM_KEYDOWN, virtualKey, 1);
    SendMessageW(list, WM_KEYUP, virtualKey, 0xC0000001);
}

// Only the second press of a double click is sent: a first press would make the list follow the
// mouse to tell a click from a drag, which needs a real mouse.
void DialogProbe::doubleClickRow(int listId, int row) {
    HWND list = GetDlgItem(dialog_, listId);
    RECT label{};
    label.left = LVIR_LABEL;
    SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&label));
    const LPARAM at = MAKELPARAM(label.left + 10, (label.top + label.bottom) / 2);
    SendMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageW(list, WM_LBUTTONUP, 0, at);
}

void DialogProbe::clickListHeader(int listId, int column) {
    HWND list = GetDlgItem(dialog_, listId);
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    NMHEADERW click{};
    click.hdr.hwndFrom = header;
    click.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(header));
    click.hdr.code = HDN_ITEMCLICKW;
    click.iItem = column;
    SendMessageW(list, WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
}

void DialogProbe::close() { SendMessageW(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0); }

void DialogProbe::tick(UINT_PTR timerId) { SendMessageW(dialog_, WM_TIMER, timerId, 0); }

void onNextDialog(std::function<void(DialogProbe&)> script, std::wstring title) {
    pendingScript = std::move(script);
    pendingTitle = std::move(title);
    dialogsOpenBefore = visibleDialogs();
    scriptRan = false;
    if (scriptTimer != 0) KillTimer(nullptr, scriptTimer);
    scriptTimer = SetTimer(nullptr, 0, 50, runPendingScript);
}

bool dialogScriptRan() { return scriptRan; }

bool dialogScriptPending() { return static_cast<bool>(pendingScript); }

void cancelDialogScript() {
    pendingScript = nullptr;
    if (scriptTimer != 0) KillTimer(nullptr, scriptTimer);
    scriptTimer = 0;
}

HWND findDialog(std::wstring_view title) {
    struct Search {
        std::wstring_view title;
        HWND found = nullptr;
    } search{title};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM parameter) -> BOOL {
            auto& wanted = *reinterpret_cast<Search*>(parameter);
            wchar_t className[16] = {};
            GetClassNameW(window, className, 16);
            wchar_t text[512] = {};
            GetWindowTextW(window, text, 512);
            if (std::wstring_view(className) == L"#32770" && wanted.title == text) {
                wanted.found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND findOpenDialog() {
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), collectDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND findOwnedDialog(HWND owner) {
    struct Search {
        HWND owner;
        HWND found = nullptr;
    } search{owner};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM parameter) -> BOOL {
            auto& wanted = *reinterpret_cast<Search*>(parameter);
            wchar_t className[16] = {};
            GetClassNameW(window, className, 16);
            if (std::wstring_view(className) == L"#32770" && GetWindow(window, GW_OWNER) == wanted.owner) {
                wanted.found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool pumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    MSG message;
    while (!done()) {
        if (GetTickCount() - start > timeoutMs || caseOverran()) return false;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(10);
    }
    return true;
}

}  // namespace quenzar::wintest
