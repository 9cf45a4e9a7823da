#include "cli/number_arguments.h"

#include <charconv>

#include "platform/disk_system.h"

namespace quenzar::cli {

std::optional<std::uint64_t> parseUnsigned(const std::string& text) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) return std::nullopt;
    return value;
}

std::optional<char> parseDiskNumber(const std::string& text) {
    if (text.size() != 1 || text[0] < '0' || text[0] >= '0' + platform::kMaxDisks) return std::nullopt;
    return text[0];
}

}  // namespace quenzar::cli
