// The support pages on the maker's web server that menu commands open.
// Portable: no operating-system header.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "text/language.h"

namespace quenzar::app {

// The server when QUENZAR_SERVER is not set: a name that never resolves, so that nothing is sent
// anywhere by accident.
inline constexpr std::string_view kDefaultServer = "quenzar.example";

// The server's host[:port]: the value of QUENZAR_SERVER when it is set and not empty.
std::string webServer(const char* environmentValue);

// The address of the page a command opens in a language, or nothing
// for a command that opens no page.
std::optional<std::string> pageAddress(int commandId, text::Language language, std::string_view server);

}  // namespace quenzar::app
