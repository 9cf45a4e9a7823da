// Sends a request of the online services to the laboratory's server and reads the beginning of
// its answer. Exactly the request's header block and body go out; nothing is retried.
#pragma once

#include "online/http_request.h"

namespace quenzar::cli {

// The limits, with the total time taken from QUENZAR_HTTP_TIMEOUT (whole seconds) when it is set.
online::TransportLimits transportLimitsOfEnvironment();

// The server named by QUENZAR_SERVER (host[:port]), else the default host; nothing when the
// variable holds no usable address, with the reason in `fault` when it is given.
std::optional<online::ServerAddress> serverOfEnvironment(online::ServerSettingFault* fault = nullptr);

// False when this build of the program cannot send at all.
bool transportAvailable();

// Sends the request; the outcome tells the answer, or why there is none (timed out, refused,
// name not found, no HTTP answer) or why it is no success (its status). Redirects are not
// followed: a 3xx answer is a failure like any other status outside 2xx.
online::SendOutcome sendRequest(const online::HttpRequest& request, const online::TransportLimits& limits);

}  // namespace quenzar::cli
