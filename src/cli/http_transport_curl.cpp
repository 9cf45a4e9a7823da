// The transport of the Linux program, with libcurl. libcurl writes the request line itself; the
// header lines are the request's own block, so Host, Content-Type and Content-Length appear once
// each, and "Expect: 100-continue" is switched off so the body follows the headers at once.
#include <curl/curl.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "cli/http_transport.h"

namespace quenzar::cli {
namespace {

// Keeps the first bytes of the answer; later bytes are read and dropped so the transfer ends
// normally.
std::size_t keepAnswer(char* data, std::size_t size, std::size_t count, void* user) {
    std::string& answer = *static_cast<std::string*>(user);
    const std::size_t bytes = size * count;
    if (answer.size() < online::kResponseMaxBytes) {
        answer.append(data, std::min(bytes, online::kResponseMaxBytes - answer.size()));
    }
    return bytes;
}

std::vector<std::string> headerLines(const std::string& block) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    while (begin < block.size()) {
        std::size_t end = block.find("\r\n", begin);
        if (end == std::string::npos) end = block.size();
        if (end > begin) lines.emplace_back(block, begin, end - begin);
        begin = end + 2;
    }
    return lines;
}

// Why libcurl could not bring back an answer, in the program's terms.
// A connection that failed is "refused" only when the server's system said so; an unreachable
// network or host is no connection.
online::SendFailure failureOf(CURLcode code, long systemError) {
    switch (code) {
        case CURLE_OPERATION_TIMEDOUT: return online::SendFailure::TimedOut;
        case CURLE_COULDNT_CONNECT:
            return systemError == ECONNREFUSED ? online::SendFailure::Refused : online::SendFailure::NoConnection;
        case CURLE_COULDNT_RESOLVE_HOST: return online::SendFailure::NameNotFound;
        // An answer that is no HTTP (HTTP/0.9 included, which libcurl refuses), none at all, or
        // one that broke off.
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_GOT_NOTHING:
        case CURLE_RECV_ERROR:
        case CURLE_PARTIAL_FILE:
        case CURLE_BAD_CONTENT_ENCODING: return online::SendFailure::BadAnswer;
        default: return online::SendFailure::NoConnection;
    }
}

struct CurlHandle {
    CURL* handle = curl_easy_init();
    curl_slist* headers = nullptr;
    ~CurlHandle() {
        curl_slist_free_all(headers);
        if (handle != nullptr) curl_easy_cleanup(handle);
    }
};

}  // namespace

bool transportAvailable() { return true; }

online::SendOutcome sendRequest(const online::HttpRequest& request, const online::TransportLimits& limits) {
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    online::SendOutcome outcome;
    CurlHandle curl;
    if (!initialised || curl.handle == nullptr) return outcome;

    std::vector<std::string> lines = headerLines(request.headerBlock);
    lines.emplace_back("Expect:");
    for (const std::string& line : lines) {
        curl_slist* next = curl_slist_append(curl.headers, line.c_str());
        if (next == nullptr) return outcome;
        curl.headers = next;
    }
    // The host in brackets when it is an IPv6 address, as a URL needs it.
    const std::string host =
        request.server.host.find(':') != std::string::npos ? "[" + request.server.host + "]" : request.server.host;
    const std::string url = "http://" + host + ":" + std::to_string(request.server.port) + std::string(request.path);

    CURL* h = curl.handle;
    std::string answer;
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http");
    curl_easy_setopt(h, CURLOPT_POST, 1L);
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.body.data());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, curl.headers);
    curl_easy_setopt(h, CURLOPT_USERAGENT, std::string(online::kUserAgent).c_str());
    curl_easy_setopt(h, CURLOPT_NOPROXY, "*");  // a direct connection, as the desktop program makes
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, limits.connectSeconds);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, limits.totalSeconds);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);  // a redirect is the server's answer, and a failure
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, keepAnswer);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &answer);
    if (const CURLcode sent = curl_easy_perform(h); sent != CURLE_OK) {
        long systemError = 0;
        curl_easy_getinfo(h, CURLINFO_OS_ERRNO, &systemError);
        outcome.failure = failureOf(sent, systemError);
        return outcome;
    }
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    const char* contentType = nullptr;
    curl_easy_getinfo(h, CURLINFO_CONTENT_TYPE, &contentType);
    return online::answeredOutcome(status, contentType != nullptr ? contentType : "", std::move(answer));
}

}  // namespace quenzar::cli
