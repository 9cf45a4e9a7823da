#include "shell_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "app/main_window.h"
#include "app/texts/shell_texts.h"
#include "app/wide_text.h"
#include "dialog_driver.h"

namespace quenzar::wintest {

std::string fixtureImage(const char* name) {
    // The build gives the Linux path of the fixtures; Wine shows the Linux root as drive Z:.
    std::string path = std::string("Z:") + QUENZAR_FIXTURE_DIR + "/" + name;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return path;
}

std::vector<std::string> shellTestImages() {
    return {fixtureImage("mbr.img"), fixtureImage("gpt.img"), fixtureImage("lba0-ntfs.img"),
            fixtureImage("masked.img"), fixtureImage("hidden.img")};
}

void prepareState(app::AppState& state, text::Language language, SeamRecord& record,
                  const std::vector<std::string>& images) {
    state.instance = GetModuleHandleW(nullptr);
    state.disks = std::make_unique<platform::ImageDiskSystem>(images);
    state.webServer = "127.0.0.1:9";
    app::texts::selectTexts(state.texts, language);
    state.seams.showMessage = [&record](std::string_view text, std::string_view caption, UINT flags) {
        record.messages.push_back({std::string(text), std::string(caption), flags});
        return IDOK;
    };
    state.seams.openPage = [&record](const std::string& address) { record.pages.push_back(address); };
    state.seams.runPowerAction = [&record](disk::PowerAction action) { record.powerActions.push_back(action); };
    state.seams.chooseFolder = [&record](HWND, std::string_view title) {
        record.folderChooserTitles.emplace_back(title);
        return record.folderAnswer;
    };
    state.seams.endProcess = [&record](int exitCode) { record.exitCodes.push_back(exitCode); };
}

ShellWindow::ShellWindow(text::Language language, bool shown, std::unique_ptr<platform::DiskSystem> disks) {
    prepareState(state, language, record, shellTestImages());
    if (disks) state.disks = std::move(disks);
    if (app::createMainWindow(state) == nullptr) return;
    if (shown) {
        SetWindowPos(state.mainWindow, HWND_TOP, 10, 10, 0, 0, SWP_NOSIZE);
        ShowWindow(state.mainWindow, SW_SHOWNORMAL);
        SetForegroundWindow(state.mainWindow);
        UpdateWindow(state.mainWindow);
    }
    settle();
}

ShellWindow::~ShellWindow() {
    if (state.mainWindow != nullptr) DestroyWindow(state.mainWindow);
    // The quit message of the destruction is for a message loop this test has not got.
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {}
}

void ShellWindow::command(int commandId) {
    const bool cancelling = !dialogScriptPending();
    if (cancelling) onNextDialog([](DialogProbe& dialog) { dialog.close(); });
    SendMessageW(state.mainWindow, WM_COMMAND, static_cast<WPARAM>(commandId), 0);
    if (cancelling) cancelDialogScript();
    settle();
}

void ShellWindow::settle() {
    if (state.mainWindow != nullptr) UpdateWindow(state.mainWindow);
    MSG message;
    for (int round = 0; round < 3; ++round) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        Sleep(20);
    }
}

TempFolder::TempFolder() {
    static unsigned serial = 0;
    path_ = std::filesystem::temp_directory_path() /
            ("quenzar-test-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial));
    std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::wstring windowTitle(HWND window) {
    wchar_t text[512] = {};
    const int length = GetWindowTextW(window, text, 512);
    return std::wstring(text, static_cast<std::size_t>(length > 0 ? length : 0));
}

std::wstring utf16(std::string_view text1251) { return app::wideFrom1251(text1251); }

void saveScreenshot(HWND window, const char* name) {
    const char* folder = std::getenv("QUENZAR_SCREENSHOT_DIR");
    if (folder == nullptr || *folder == '\0') return;
    // What is on the screen must be what the window holds now: a control changed a moment ago
    // may not have painted itself yet.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    MSG message;
    for (int round = 0; round < 10; ++round) {
        while (PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&message);
        GdiFlush();
        Sleep(20);
    }
    RECT outer;
    GetWindowRect(window, &outer);
    const int width = outer.right - outer.left;
    const int height = outer.bottom - outer.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as BMP files keep their rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, outer.left, outer.top, SRCCOPY);
    GdiFlush();
    const DWORD rowBytes = static_cast<DWORD>((width * 3 + 3) & ~3);
    const DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + imageBytes;
    std::ofstream out(std::string(folder) + "\\" + name + ".bmp", std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof info.bmiHeader);
    out.write(static_cast<const char*>(bits), imageBytes);
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

}  // namespace quenzar::wintest
