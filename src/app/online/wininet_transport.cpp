#include "app/online/wininet_transport.h"

#include <windows.h>
#include <wininet.h>

#include <string>
#include <string_view>

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

// Why WinINet could not bring back an answer, in the program's terms. WinINet says "cannot
// connect" alike for a port nobody listens on and for a host that cannot be reached.
online::SendFailure failureOf(DWORD error) {
    switch (error) {
        case ERROR_INTERNET_TIMEOUT: return online::SendFailure::TimedOut;
        case ERROR_INTERNET_CANNOT_CONNECT: return online::SendFailure::Refused;
        case ERROR_INTERNET_NAME_NOT_RESOLVED: return online::SendFailure::NameNotFound;
        case ERROR_HTTP_INVALID_SERVER_RESPONSE:
        case ERROR_INTERNET_CONNECTION_ABORTED:
        case ERROR_INTERNET_CONNECTION_RESET: return online::SendFailure::BadAnswer;
        default: return online::SendFailure::NoConnection;
    }
}

// The failure of a call that gave up only once a time limit had run out is a timeout, whatever
// error it tells: Wine's WinINet, for one, ends a receive that timed out as an aborted connection.
online::SendFailure failureAfter(DWORD error, ULONGLONG waitedMs, const online::TransportLimits& limits) {
    const long limitSeconds = error == ERROR_INTERNET_CANNOT_CONNECT ? limits.connectSeconds : limits.totalSeconds;
    constexpr ULONGLONG kTimerSlackMs = 250;
    if (waitedMs + kTimerSlackMs >= static_cast<ULONGLONG>(limitSeconds) * 1000) return online::SendFailure::TimedOut;
    return failureOf(error);
}

online::SendOutcome failed(online::SendFailure failure) {
    online::SendOutcome outcome;
    outcome.failure = failure;
    return outcome;
}

// The answer's Content-Type header, empty when it has none (or one too long to be a real one).
std::string contentTypeOf(HINTERNET request) {
    char text[1024];
    DWORD bytes = sizeof text;
    if (!HttpQueryInfoA(request, HTTP_QUERY_CONTENT_TYPE, text, &bytes, nullptr)) return {};
    return std::string(text, bytes < sizeof text ? bytes : 0);
}

// Whether the answer carries header lines. WinINet takes whatever a server sends back without a
// status line for an HTTP/0.9 answer, "HTTP/1.0 200 OK" with no header at all; a real HTTP/1.x
// server always sends some (its length or its end, its content type), so an answer without any
// is no HTTP answer.
bool hasHeaderLines(HINTERNET request) {
    char raw[256];
    DWORD bytes = sizeof raw;
    if (!HttpQueryInfoA(request, HTTP_QUERY_RAW_HEADERS_CRLF, raw, &bytes, nullptr)) {
        return GetLastError() == ERROR_INSUFFICIENT_BUFFER;  // more headers than the buffer holds
    }
    const std::string_view headers(raw, bytes < sizeof raw ? bytes : 0);
    const std::size_t statusEnd = headers.find("\r\n");
    return statusEnd != std::string_view::npos && statusEnd + 2 < headers.size() &&
           headers.substr(statusEnd + 2, 2) != "\r\n";
}

}  // namespace

online::SendOutcome sendWithWinInet(const online::HttpRequest& request, const online::TransportLimits& limits) {
    const std::string agent(online::kUserAgent);
    InternetHandle session(InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!session) return failed(failureOf(GetLastError()));
    setLimits(session.get(), limits);
    DWORD oneTry = 1;
    InternetSetOptionA(session.get(), INTERNET_OPTION_CONNECT_RETRIES, &oneTry, sizeof oneTry);

    InternetHandle connection(InternetConnectA(session.get(), request.server.host.c_str(), request.server.port, "",
                                               nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return failed(failureOf(GetLastError()));
    setLimits(connection.get(), limits);
    const std::string path(request.path);
    const char* acceptTypes[] = {"*/*", nullptr};
    // A redirect is the server's answer, and a failure: the request never goes on to another
    // address than the one set.
    InternetHandle httpRequest(HttpOpenRequestA(connection.get(), "POST", path.c_str(), nullptr, nullptr, acceptTypes,
                                                INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_AUTO_REDIRECT, 1));
    if (!httpRequest) return failed(failureOf(GetLastError()));
    setLimits(httpRequest.get(), limits);
    std::string body = request.body;  // the call takes the body as writable memory
    const ULONGLONG sendStart = GetTickCount64();
    if (!HttpSendRequestA(httpRequest.get(), request.headerBlock.data(), static_cast<DWORD>(request.headerBlock.size()),
                          body.data(), static_cast<DWORD>(body.size()))) {
        const DWORD error = GetLastError();
        return failed(failureAfter(error, GetTickCount64() - sendStart, limits));
    }
    DWORD status = 0;
    DWORD statusBytes = sizeof status;
    if (!HttpQueryInfoA(httpRequest.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &statusBytes,
                        nullptr) ||
        !hasHeaderLines(httpRequest.get())) {
        return failed(online::SendFailure::BadAnswer);
    }
    const std::string contentType = contentTypeOf(httpRequest.get());
    // The body of a failed answer is not shown: only its status is.
    if (status < 200 || status > 299) return online::answeredOutcome(static_cast<long>(status), contentType, {});

    // The answer is read until it ends, the shown part is full or the total time is over: a server
    // that sends a byte at a time cannot hold the window past the limit. An answer that stops
    // short of its end is a failure, as it is for the command-line program.
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(limits.totalSeconds) * 1000;
    std::string answer;
    char buffer[online::kResponseMaxBytes];
    while (answer.size() < online::kResponseMaxBytes) {
        if (GetTickCount64() >= deadline) return failed(online::SendFailure::TimedOut);
        DWORD read = 0;
        const DWORD wanted = static_cast<DWORD>(online::kResponseMaxBytes - answer.size());
        if (!InternetReadFile(httpRequest.get(), buffer, wanted, &read)) {
            const DWORD error = GetLastError();
            return failed(error == ERROR_INTERNET_TIMEOUT ? online::SendFailure::TimedOut : online::SendFailure::BadAnswer);
        }
        if (read == 0) break;
        answer.append(buffer, read);
    }
    return online::answeredOutcome(static_cast<long>(status), contentType, std::move(answer));
}

}  // namespace quenzar::app
