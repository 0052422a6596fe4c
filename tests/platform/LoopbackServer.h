#pragma once

// A one-connection TCP server on 127.0.0.1 for download tests: it records what the client sent up to
// the empty line that ends an HTTP request and answers with scripted bytes.

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

class LoopbackServer {
public:
    enum class Mode {
        Answer, // reads the request, sends the answer, closes
        CloseAtOnce, // closes its side right after accepting, before the request arrives
        Silent, // reads the request, sends the answer, then stays silent until the server is stopped
        Backlogged, // never accepts, and its queue is full: a connect to it hangs
        Refusing, // holds the port without listening: a connect to it is refused
    };

    // Port 0 picks a free port; a busy fixed port leaves the server not ok().
    explicit LoopbackServer(Mode mode, std::string answer = {}, uint16_t port = 0);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer &) = delete;
    LoopbackServer &operator=(const LoopbackServer &) = delete;

    bool ok() const { return listenFd_ >= 0; }
    uint16_t port() const { return port_; }
    // "127.1:<port>", the form of the NEWSADR tool type.
    std::string address() const;
    // Stops the server and returns the bytes the client sent.
    std::string request();

private:
    void serve();
    void readRequest(int fd);
    void sendAnswer(int fd);
    void waitForStop() const;
    void fillQueue();
    void stop();

    Mode mode_;
    std::string answer_;
    std::string request_;
    int listenFd_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_ {false};
    std::thread thread_;
    int fillers_[8];
    int fillerCount_ = 0;
};
