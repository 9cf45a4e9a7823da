// The parts of the transport every build shares: its settings from the environment.
#include "cli/http_transport.h"

#include <cstdlib>
#include <string_view>

namespace quenzar::cli {

online::TransportLimits transportLimitsOfEnvironment() {
    return online::transportLimitsOf(std::getenv("QUENZAR_HTTP_TIMEOUT"));
}

std::optional<online::ServerAddress> serverOfEnvironment(online::ServerSettingFault* fault) {
    const char* value = std::getenv("QUENZAR_SERVER");
    return online::parseServerAddress(
        value != nullptr && *value != '\0' ? std::string_view(value) : online::kDefaultServer, fault);
}

}  // namespace quenzar::cli
