// A real HTTP server on 127.0.0.1 for the tests of the online forms: it takes one connection on a
// port of its own, records the request's raw bytes (headers and the body of its Content-Length)
// and answers with a fixed body, or stays silent to show that a request gives up in time. The
// answer's status line and headers can be chosen (an error page, a redirect, a charset), or the
// answer can be no HTTP at all.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace quenzar::wintest {

class LoopbackHttpServer {
public:
    enum class Reply { Answer, Silent, NotHttp };

    // `head` is the status line and the header lines before Content-Length, each ended by CR LF.
    LoopbackHttpServer(Reply reply, std::string answerBody,
                       std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\n");
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    bool listening() const { return port_ != 0; }
    std::uint16_t port() const { return port_; }
    // "127.0.0.1:port", as the program's server setting takes it.
    std::string address() const;
    // The bytes received so far.
    std::string request() const;

private:
    void serve();

    Reply reply_;
    std::string answerBody_;
    std::string head_;
    std::uintptr_t listener_;  // a SOCKET; winsock2.h stays out of the tests that use the server
    std::uint16_t port_ = 0;
    void* stop_ = nullptr;     // the event that ends serving
    mutable std::mutex mutex_;
    std::string request_;
    std::thread thread_;
};

// A port of 127.0.0.1 that nothing listens on (taken and given back at once).
std::uint16_t unusedLoopbackPort();

}  // namespace quenzar::wintest
