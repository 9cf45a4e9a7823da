#include "app/wide_text.h"

#include "platform/code_page_1251.h"

namespace quenzar::app {

// On Windows wchar_t is a UTF-16 unit, so the portable conversion's result carries over as it is.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::wstring wideFrom1251(std::string_view text) {
    const std::u16string utf16 = platform::cp1251ToUtf16(text);
    return std::wstring(utf16.begin(), utf16.end());
}

}  // namespace quenzar::app
