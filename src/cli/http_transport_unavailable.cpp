// The Windows console program has no transport of its own: the desktop program sends the requests
// (through WinINet). Here every request ends as not sent.
#include "cli/http_transport.h"

namespace quenzar::cli {

bool transportAvailable() { return false; }

online::SendOutcome sendRequest(const online::HttpRequest&, const online::TransportLimits&) { return {}; }

}  // namespace quenzar::cli
