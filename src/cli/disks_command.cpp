// salvage disks: the inventory screen of the disks, in English or Russian, for a terminal.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "cli/commands.h"
#include "disk/inventory.h"
#include "disk/inventory_screen.h"
#include "platform/code_page_1251.h"

namespace quenzar::cli {
namespace {

// Russian when the user's locale is Russian, as the desktop program chooses at start.
disk::Language languageOfEnvironment() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') {
            return std::strncmp(value, "ru", 2) == 0 ? disk::Language::Russian : disk::Language::English;
        }
    }
    return disk::Language::English;
}

std::optional<disk::Language> parseLanguage(const std::string& text) {
    if (text == "ru") return disk::Language::Russian;
    if (text == "en") return disk::Language::English;
    return std::nullopt;
}

}  // namespace

int runDisks(platform::DiskSystem& disks, const Arguments& args) {
    disk::Language language = languageOfEnvironment();
    for (std::size_t i = 0; i < args.size(); ++i) {
        const auto chosen = args[i] == "--lang" && i + 1 < args.size() ? parseLanguage(args[i + 1]) : std::nullopt;
        if (!chosen) {
            std::fprintf(stderr, "salvage disks: usage: salvage disks [--lang ru|en]\n");
            return kExitUsage;
        }
        language = *chosen;
        ++i;
    }

    disk::InventoryState state;
    state.language = language;
    disk::BuildDiskInventory(state, disks);

    // The screen keeps its texts in code page 1251 with CR LF line ends; a terminal wants UTF-8
    // lines ended by LF.
    std::string text = disk::inventoryScreenText(state, language);
    std::string lines;
    lines.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        lines += text[i];
    }
    std::fputs(platform::cp1251ToUtf8(lines).c_str(), stdout);

    for (const disk::PhysicalDiskInfo& info : state.disks) {
        if (info.isPresent()) return kExitDone;
    }
    std::fprintf(stderr, "salvage disks: no disk answered\n");
    return kExitFailed;
}

}  // namespace quenzar::cli
