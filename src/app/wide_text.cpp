#include "app/wide_text.h"

#include <windows.h>

#include "platform/code_page_1251.h"

namespace quenzar::app {

// On Windows wchar_t is a UTF-16 unit, so the portable conversion's result carries over as it is.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

std::wstring wideFrom1251(std::string_view text) {
    const std::u16string utf16 = platform::cp1251ToUtf16(text);
    return std::wstring(utf16.begin(), utf16.end());
}

std::string text1251FromWide(std::wstring_view text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(1251, 0, text.data(), length, nullptr, 0, "?", nullptr);
    std::string converted(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) WideCharToMultiByte(1251, 0, text.data(), length, converted.data(), bytes, "?", nullptr);
    return converted;
}

}  // namespace quenzar::app
