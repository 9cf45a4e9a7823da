// The painted screens, read back from the screen: the disk screen shows the blocks of the attached
// images and nothing where no disk is, the about screen its picture and texts. The same runs
// leave pictures of both screens in both languages for people to look at.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "disk/inventory_screen.h"
#include "harness.h"
#include "resources/menu_ids.h"
#include "shell_fixture.h"

namespace {

namespace text = quenzar::text;
using quenzar::wintest::kEnglish;
using quenzar::wintest::kRussian;

using quenzar::wintest::Note;
using quenzar::wintest::ShellWindow;

// The client area as it is on the screen, one 0x00RRGGBB value per pixel, rows from the top.
struct ClientPicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
    // Pixels of a rectangle dark enough to be text or lines.
    int darkPixels(int left, int top, int right, int bottom) const {
        int count = 0;
        for (int y = top; y < bottom && y < height; ++y) {
            for (int x = left; x < right && x < width; ++x) {
                const std::uint32_t p = at(x, y);
                if (((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF) < 3 * 90) ++count;
            }
        }
        return count;
    }
};

ClientPicture captureClient(HWND window) {
    ClientPicture picture;
    RECT client;
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    picture.width = client.right;
    picture.height = client.bottom;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = picture.width;
    info.bmiHeader.biHeight = -picture.height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, picture.width, picture.height, screen, origin.x, origin.y, SRCCOPY);
    GdiFlush();
    const auto* words = static_cast<const std::uint32_t*>(bits);
    picture.pixels.assign(words, words + picture.width * picture.height);
    for (std::uint32_t& p : picture.pixels) p &= 0xFFFFFF;
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}

}  // namespace

TEST_CASE(diskScreenPaintsTheInventoryOfTheAttachedImages) {
    for (text::Language language : {kEnglish, kRussian}) {
        Note note(language == kRussian ? "Russian" : "English");
        ShellWindow shell(language, true);
        REQUIRE(shell.window() != nullptr);
        shell.command(CMD_DISK_INVENTORY);

        // The inventory behind the screen: the five images are disks 0 to 4, the rest absent.
        const auto& disks = shell.state.inventory.disks;
        for (int k = 0; k < 8; ++k) CHECK_EQ(disks[static_cast<std::size_t>(k)].isPresent(), k < 5);
        CHECK(quenzar::disk::diskBlockText(disks[0]).find("MBR") != std::string::npos);
        CHECK(quenzar::disk::diskBlockText(disks[1]).find("GPT") != std::string::npos);

        const ClientPicture picture = captureClient(shell.window());
        REQUIRE(picture.width >= 881);
        REQUIRE(picture.height >= 445);
        // Heading and blocks on their backgrounds: grey heading, alternating light blocks.
        CHECK_EQ(picture.at(12, 12), std::uint32_t{0xDADADA});
        CHECK_EQ(picture.at(12, 60), std::uint32_t{0xF5F5F5});
        CHECK_EQ(picture.at(12, 60 + 48), std::uint32_t{0xF0F0F0});
        // Text where a disk is, none where no disk is.
        CHECK(picture.darkPixels(11, 12, 878, 56) > 200);
        for (int k = 0; k < 8; ++k) {
            Note block("disk block " + std::to_string(k));
            const int top = 58 + 48 * k + 1;
            const int dark = picture.darkPixels(12, top, 877, top + 46);
            if (k < 5) {
                CHECK(dark > 200);
            } else {
                CHECK_EQ(dark, 0);
            }
        }
        // The frame lines: the outer and inner rectangles, the line under the heading.
        CHECK(picture.darkPixels(8, 100, 9, 101) == 1);
        CHECK(picture.darkPixels(10, 100, 11, 101) == 1);
        CHECK(picture.darkPixels(400, 57, 401, 58) == 1);
        quenzar::wintest::saveScreenshot(shell.window(), language == kRussian ? "disks-ru" : "disks-en");
    }
}

TEST_CASE(aboutScreenPaintsPictureSloganAndTextsAndComesBackAfterTheDiskScreen) {
    for (text::Language language : {kEnglish, kRussian}) {
        Note note(language == kRussian ? "Russian" : "English");
        ShellWindow shell(language, true);
        REQUIRE(shell.window() != nullptr);
        // Through the disk screen and back, the way a user comes back to it.
        shell.command(CMD_DISK_INVENTORY);
        shell.command(CMD_ABOUT);
        const ClientPicture picture = captureClient(shell.window());
        REQUIRE(picture.width >= 900);
        REQUIRE(picture.height >= 400);
        // The emblem's dark body in the picture's top left corner, the slogan in its green, and
        // the description and service texts in black.
        CHECK(picture.darkPixels(40, 20, 180, 170) > 2000);
        int green = 0;
        for (int y = 20; y < 42; ++y) {
            for (int x = 320; x < 900; ++x) {
                const std::uint32_t p = picture.at(x, y);  // the colour reference 0x1FAA06 is 06 AA 1F here
                green += ((p >> 16) & 0xFF) < 0x60 && ((p >> 8) & 0xFF) > 0x80 && (p & 0xFF) < 0x80 ? 1 : 0;
            }
        }
        CHECK(green > 300);
        CHECK(picture.darkPixels(230, 52, 900, 200) > 1000);
        CHECK(picture.darkPixels(12, 345, 900, 450) > 1000);
        quenzar::wintest::saveScreenshot(shell.window(), language == kRussian ? "about-ru" : "about-en");
    }
}
