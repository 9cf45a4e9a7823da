#include "app/online/wininet_transport.h"

#include <windows.h>
#include <wininet.h>

#include <string>

namespace quenzar::app {
namespace {

// Closes a WinINet handle when it goes out of scope.
class InternetHandle {
public:
    explicit InternetHandle(HINTERNET handle) : handle_(handle) {}
    ~InternetHandle() {
        if (handle_ != nullptr) InternetCloseHandle(handle_);
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    HINTERNET get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    HINTERNET handle_;
};

void setTimeout(HINTERNET handle, DWORD option, long seconds) {
    DWORD milliseconds = static_cast<DWORD>(seconds) * 1000;
    InternetSetOptionA(handle, option, &milliseconds, sizeof milliseconds);
}

// Without limits a silent server would hold the window for as long as the system's own timeouts
// last. Each handle gets them: not every WinINet hands a session's limits down to its requests.
void setLimits(HINTERNET handle, const online::TransportLimits& limits) {
    setTimeout(handle, INTERNET_OPTION_CONNECT_TIMEOUT, limits.connectSeconds);
    setTimeout(handle, INTERNET_OPTION_SEND_TIMEOUT, limits.totalSeconds);
    setTimeout(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, limits.totalSeconds);
}

}  // namespace

online::SendOutcome sendWithWinInet(const online::HttpRequest& request, const online::TransportLimits& limits) {
    online::SendOutcome outcome;
    const std::string agent(online::kUserAgent);
    InternetHandle session(InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!session) return outcome;
    setLimits(session.get(), limits);
    DWORD oneTry = 1;
    InternetSetOptionA(session.get(), INTERNET_OPTION_CONNECT_RETRIES, &oneTry, sizeof oneTry);

    InternetHandle connection(InternetConnectA(session.get(), request.server.host.c_str(), request.server.port, "",
                                               nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return outcome;
    setLimits(connection.get(), limits);
    const std::string path(request.path);
    const char* acceptTypes[] = {"*/*", nullptr};
    InternetHandle httpRequest(HttpOpenRequestA(connection.get(), "POST", path.c_str(), nullptr, nullptr, acceptTypes,
                                                INTERNET_FLAG_KEEP_CONNECTION, 1));
    if (!httpRequest) return outcome;
    setLimits(httpRequest.get(), limits);
    std::string body = request.body;  // the call takes the body as writable memory
    if (!HttpSendRequestA(httpRequest.get(), request.headerBlock.data(), static_cast<DWORD>(request.headerBlock.size()),
                          body.data(), static_cast<DWORD>(body.size()))) {
        return outcome;
    }
    outcome.sent = true;

    // The answer is read until it ends, the shown part is full or the total time is over: a server
    // that sends a byte at a time cannot hold the window past the limit.
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(limits.totalSeconds) * 1000;
    char buffer[online::kResponseMaxBytes];
    while (outcome.response.size() < online::kResponseMaxBytes && GetTickCount64() < deadline) {
        DWORD read = 0;
        const DWORD wanted = static_cast<DWORD>(online::kResponseMaxBytes - outcome.response.size());
        if (!InternetReadFile(httpRequest.get(), buffer, wanted, &read) || read == 0) break;
        outcome.response.append(buffer, read);
    }
    return outcome;
}

}  // namespace quenzar::app
