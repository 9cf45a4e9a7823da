#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include "loopback_http_server.h"

#include <cstdlib>
#include <string_view>

namespace quenzar::wintest {
namespace {

class WinsockUse {
public:
    WinsockUse() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockUse() { WSACleanup(); }
};

// A socket bound to 127.0.0.1 on a port the system chooses; its port, or 0.
SOCKET bindLoopback(std::uint16_t& port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return s;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    int length = sizeof address;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    port = ntohs(address.sin_port);
    return s;
}

// Whether the bytes hold the whole request: its headers and as many body bytes as they announce.
bool requestComplete(std::string_view bytes) {
    const std::size_t headerEnd = bytes.find("\r\n\r\n");
    if (headerEnd == std::string_view::npos) return false;
    std::size_t bodyBytes = 0;
    const std::string_view headers = bytes.substr(0, headerEnd + 2);
    for (std::size_t line = 0; line < headers.size();) {
        const std::size_t end = headers.find("\r\n", line);
        const std::string_view text = headers.substr(line, end - line);
        constexpr std::string_view kLength = "content-length:";
        if (text.size() > kLength.size() && _strnicmp(text.data(), kLength.data(), kLength.size()) == 0) {
            bodyBytes = std::strtoul(std::string(text.substr(kLength.size())).c_str(), nullptr, 10);
        }
        line = end + 2;
    }
    return bytes.size() >= headerEnd + 4 + bodyBytes;
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer(Reply reply, std::string answerBody, std::string head)
    : reply_(reply), answerBody_(std::move(answerBody)), head_(std::move(head)), listener_(INVALID_SOCKET) {
    static WinsockUse winsock;
    listener_ = bindLoopback(port_);
    if (listener_ == INVALID_SOCKET || listen(listener_, 1) != 0) {
        port_ = 0;
        return;
    }
    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = std::thread([this] { serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
    if (stop_ != nullptr) SetEvent(stop_);
    if (thread_.joinable()) thread_.join();
    if (listener_ != INVALID_SOCKET) closesocket(listener_);
    if (stop_ != nullptr) CloseHandle(stop_);
}

std::string LoopbackHttpServer::address() const { return "127.0.0.1:" + std::to_string(port_); }

std::string LoopbackHttpServer::request() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return request_;
}

void LoopbackHttpServer::serve() {
    // Waits in short steps, so that the end of the test stops the server at once.
    auto readable = [this](SOCKET s) {
        while (WaitForSingleObject(stop_, 0) != WAIT_OBJECT_0) {
            fd_set set;
            FD_ZERO(&set);
            FD_SET(s, &set);
            timeval step{0, 50'000};
            if (select(0, &set, nullptr, nullptr, &step) > 0) return true;
        }
        return false;
    };
    if (!readable(listener_)) return;
    const SOCKET client = accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET) return;
    std::string received;
    char buffer[16384];
    while (!requestComplete(received) && readable(client)) {
        const int got = recv(client, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        received.append(buffer, static_cast<std::size_t>(got));
        std::lock_guard<std::mutex> lock(mutex_);
        request_ = received;
    }
    if (reply_ != Reply::Silent && requestComplete(received)) {
        const std::string answer =
            reply_ == Reply::NotHttp ? "this is no HTTP answer\r\n\r\n" + answerBody_
                                     : head_ + "Content-Length: " + std::to_string(answerBody_.size()) +
                                           "\r\nConnection: close\r\n\r\n" + answerBody_;
        send(client, answer.data(), static_cast<int>(answer.size()), 0);
        shutdown(client, SD_SEND);
        // The client closes its end once it has read the answer.
        while (readable(client) && recv(client, buffer, sizeof buffer, 0) > 0) {
        }
    } else {
        // Silent: the connection stays open, unanswered, until the test ends.
        WaitForSingleObject(stop_, INFINITE);
    }
    closesocket(client);
}

std::uint16_t unusedLoopbackPort() {
    static WinsockUse winsock;
    std::uint16_t port = 0;
    const SOCKET s = bindLoopback(port);
    if (s != INVALID_SOCKET) closesocket(s);
    return port;
}

}  // namespace quenzar::wintest
