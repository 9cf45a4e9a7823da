#include "app/web_pages.h"

#include "resources/menu_ids.h"

namespace quenzar::app {
namespace {

struct PagePaths {
    int commandId;
    text::TextPair path;
};

constexpr PagePaths kPages[] = {
    {CMD_REMOTE_RECOVERY_PAGE, "/Ksp.html", "/KspEng.html"},
    {CMD_SUPPORT_MAIL_PAGE, "/chema.html", "/chemaEng.html"},
    {CMD_PROGRAM_PAGE, "/QuenzarSalvage.html", "/QuenzarSalvage.html"},
    {CMD_LIBRARY_PAGE, "/Okno5_SUP.html", "/Okno5_SUPEng.html"},
};

}  // namespace

std::string webServer(const char* environmentValue) {
    if (environmentValue == nullptr || *environmentValue == '\0') return std::string(kDefaultServer);
    return environmentValue;
}

std::optional<std::string> pageAddress(int commandId, text::Language language, std::string_view server) {
    for (const PagePaths& page : kPages) {
        if (page.commandId != commandId) continue;
        const std::string_view path = page.path.in(language);
        return "http://" + std::string(server) + std::string(path);
    }
    return std::nullopt;
}

}  // namespace quenzar::app
