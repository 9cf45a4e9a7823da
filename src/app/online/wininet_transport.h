// Sends a request of the online services through WinINet, the system's own HTTP client, and
// reads the beginning of the server's answer. Exactly the request's header block and body go
// out; nothing is retried, and the limits bound every wait.
#pragma once

#include "online/http_request.h"

namespace quenzar::app {

online::SendOutcome sendWithWinInet(const online::HttpRequest& request, const online::TransportLimits& limits);

}  // namespace quenzar::app
