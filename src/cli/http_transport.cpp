// The parts of the transport every build shares: its settings from the environment.
#include "cli/http_transport.h"

#include <charconv>
#include <cstdlib>
#include <string_view>

namespace quenzar::cli {

TransportLimits transportLimitsOfEnvironment() {
    TransportLimits limits;
    if (const char* value = std::getenv("QUENZAR_HTTP_TIMEOUT"); value != nullptr && *value != '\0') {
        const std::string_view text(value);
        long seconds = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), seconds);
        if (error == std::errc{} && end == text.data() + text.size() && seconds > 0 && seconds <= limits.totalSeconds) {
            limits.totalSeconds = seconds;
            if (limits.connectSeconds > seconds) limits.connectSeconds = seconds;
        }
    }
    return limits;
}

std::optional<online::ServerAddress> serverOfEnvironment() {
    const char* value = std::getenv("QUENZAR_SERVER");
    return online::parseServerAddress(value != nullptr && *value != '\0' ? std::string_view(value)
                                                                         : online::kDefaultServer);
}

}  // namespace quenzar::cli
