#include "app/screen_painting.h"

#include <string>
#include <string_view>

#include "app/status_bar.h"
#include "app/texts/shell_texts.h"
#include "app/viewer/viewer_painting.h"
#include "app/wide_text.h"
#include "disk/inventory_screen.h"

namespace quenzar::app {
namespace {

// Courier New at 7 x 16 pixels: the fixed column positions of every text screen rely on it.
HFONT createPaintFont() {
    return CreateFontW(16, 7, 0, 0, 600, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, 0x40, L"Courier New");
}

HFONT createSloganFont() {
    return CreateFontW(22, 12, 0, 0, 700, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, 2, L"Courier New");
}

// One character and one line of the paint font.
constexpr int kCharWidth = 7;
constexpr int kLineHeight = 16;

constexpr COLORREF kSloganColour = 0x1FAA06;
constexpr COLORREF kHeaderBackground = 0xDADADA;
constexpr COLORREF kEvenDiskBackground = 0xF5F5F5;
constexpr COLORREF kOddDiskBackground = 0xF0F0F0;

// Draws 1251 text from (x, y) to the client area's right and bottom edges, without word breaks:
// the texts carry their own line ends.
void drawText(HDC dc, const RECT& client, int x, int y, std::string_view text) {
    RECT box{x, y, client.right, client.bottom};
    const std::wstring wide = wideFrom1251(text);
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &box, 0);
}

void paintAboutScreen(AppState& state, HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);

    if (state.aboutPicture != nullptr) {
        HDC pictureDc = CreateCompatibleDC(dc);
        HGDIOBJ previous = SelectObject(pictureDc, state.aboutPicture);
        BitBlt(dc, 15, 5, client.right, client.bottom, pictureDc, 0, 0, SRCCOPY);
        SelectObject(pictureDc, previous);
        DeleteDC(pictureDc);
    }

    // The picture keeps the places of the texts white, so the texts' own white background joins
    // it without a seam.
    drawText(dc, client, 26, 205, state.texts.contactText);
    drawText(dc, client, 230, 52, state.texts.aboutText);
    drawText(dc, client, 12, 340, state.texts.serviceText);

    HFONT sloganFont = createSloganFont();
    HGDIOBJ previousFont = SelectObject(dc, sloganFont);
    SetTextColor(dc, kSloganColour);
    drawText(dc, client, 320, 20, state.texts.sloganText);
    SelectObject(dc, previousFont);
    DeleteObject(sloganFont);
    EndPaint(window, &paint);

    createStatusBar(state);
}

void paintDiskScreen(AppState& state, HDC dc, const RECT& client) {
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, kHeaderBackground);
    drawText(dc, client, 10, 10, state.texts.diskHeader());
    for (int k = 0; k < disk::kInventoryDiskCount; ++k) {
        SetBkColor(dc, k % 2 == 0 ? kEvenDiskBackground : kOddDiskBackground);
        const disk::PhysicalDiskInfo& info = state.inventory.disks[static_cast<std::size_t>(k)];
        const int top = 58 + 48 * k;
        drawText(dc, client, 10, top, disk::diskBlockText(info));
        // A disk of other sectors than 512 bytes says so in its block: every LBA and capacity of
        // the block counts its own sectors. The note stands in blank columns of the block, so
        // the screen's text (which the consultation request also sends) stays as it is.
        if (!info.isPresent()) continue;
        const std::string note = texts::diskSectorSizeNote(info.bytesPerSector, state.texts.uiLanguage);
        const int noteX = 10 + kCharWidth * static_cast<int>(texts::kDiskSectorNoteColumn);
        if (!note.empty()) drawText(dc, client, noteX, top + kLineHeight, note);
    }

    // Frames drawn with the default pen and no fill, so the texts inside stay visible.
    HGDIOBJ previousBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Rectangle(dc, 10, 10, 879, 442);
    MoveToEx(dc, 10, 57, nullptr);
    LineTo(dc, 879, 57);
    MoveToEx(dc, 338, 10, nullptr);
    LineTo(dc, 338, 57);
    Rectangle(dc, 8, 8, 881, 444);
    SelectObject(dc, previousBrush);
}

}  // namespace

void paintMainWindow(AppState& state) {
    HWND window = state.mainWindow;
    if (state.screenMode == ScreenMode::About) {
        paintAboutScreen(state, window);
        return;
    }
    closeStatusBar(state);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    RECT client;
    GetClientRect(window, &client);
    HFONT paintFont = createPaintFont();
    HGDIOBJ previousFont = SelectObject(dc, paintFont);
    if (state.screenMode == ScreenMode::Disks) {
        paintDiskScreen(state, dc, client);
    } else {
        paintViewerScreen(state, dc, client);
    }
    SelectObject(dc, previousFont);
    DeleteObject(paintFont);
    EndPaint(window, &paint);
}

}  // namespace quenzar::app
