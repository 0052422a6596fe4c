#pragma once

// The feed tests' web server (tests/platform/feed-server): HTTPS with a CA made for the run, HTTPS with a
// certificate for another name, and plain HTTP, on free ports of 127.0.0.1, serving a feed file (the
// German test feed unless another is given).

#include <chrono>
#include <string>
#include <vector>

#include "platform/Program.h"
#include "platform/TestPlatform.h"

class FeedServer {
public:
    explicit FeedServer(const std::string &feedFile = "");

    std::string https(const std::string &path) const { return Address("https", ports_[0], path); }
    std::string otherName(const std::string &path) const { return Address("https", ports_[1], path); }
    std::string http(const std::string &path) const { return Address("http", ports_[2], path); }
    std::string caFile() const { return dir_.file("ca.pem"); }
    std::string caDir() const { return dir_.file("certs"); }
    // The feed it serves, as the client receives it.
    const std::string &feed() const { return feed_; }

    // Its request lines so far: one "GET <target> inm=.. ims=.. ae=.. ua=.." line for each request.
    std::string Requests();
    // When it accepted each connection so far.
    std::vector<std::chrono::steady_clock::time_point> Accepts();

private:
    static std::string Address(const char *scheme, int port, const std::string &path)
    {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(port) + "/" + path;
    }

    testplat::TempDir dir_;
    std::string feed_;
    testplat::Program program_;
    int ports_[3] = {};
    int marker_ = 0;
};
