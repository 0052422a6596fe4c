#pragma once

// A one-connection TCP server on 127.0.0.1 for download tests: it records what the client sent up to
// the empty line that ends an HTTP request and answers with scripted bytes.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class LoopbackServer {
public:
    // Answer: reads the request, sends the answer, closes.
    // CloseAtOnce: closes its side right after accepting, before the request arrives.
    // Silent: like Answer, then stays silent until the server is stopped.
    // Backlogged: never accepts, and its queue is full: a connect to it hangs.
    // Refusing: holds the port without listening: a connect to it is refused.
    // Drip: reads the request, then sends one byte a tick (for a minute at most) until the client goes.
    // Repeat: like Answer, for every connection until the server is stopped.
    enum class Mode { Answer, CloseAtOnce, Silent, Backlogged, Refusing, Drip, Repeat };

    explicit LoopbackServer(Mode mode, std::string answer = {});
    ~LoopbackServer();

    // "127.1:<port>": with a five-digit port 127.0.0.1 no longer fits NEWSADR's 14 characters.
    std::string address() const { return "127.1:" + std::to_string(port_); }
    // Stops the server and returns the bytes the client sent.
    std::string request();
    // When the first connection was accepted (the zero time point if none was); valid after request().
    std::chrono::steady_clock::time_point firstAccept() const { return firstAccept_; }

private:
    void serve(Mode mode, const std::string &answer);
    void readRequest(int fd);
    void fillQueue();

    int listenFd_;
    uint16_t port_ = 0;
    std::string request_;
    std::chrono::steady_clock::time_point firstAccept_ {};
    std::atomic<bool> stopping_ {false};
    std::atomic<int> dripped_ {0};
    std::thread thread_;
    std::vector<int> fillers_;
};
