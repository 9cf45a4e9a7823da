// Sends a request of the online services to the laboratory's server and reads the beginning of
// its answer. Exactly the request's header block and body go out; nothing is retried.
#pragma once

#include "online/http_request.h"

namespace quenzar::cli {

// The limits, with the total time taken from QUENZAR_HTTP_TIMEOUT (whole seconds) when it is set.
online::TransportLimits transportLimitsOfEnvironment();

// The server named by QUENZAR_SERVER (host[:port]), else the default host; nothing when the
// variable holds no usable address.
std::optional<online::ServerAddress> serverOfEnvironment();

// False when this build of the program cannot send at all.
bool transportAvailable();

online::SendOutcome sendRequest(const online::HttpRequest& request, const online::TransportLimits& limits);

}  // namespace quenzar::cli
