#include "FeedServer.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "platform/http.h"

namespace {

const std::string kDataDir = getenv("TAVRIN_TEST_DATA") ? getenv("TAVRIN_TEST_DATA") : "tests/data";

} // namespace

FeedServer::FeedServer(const std::string &feedFile)
    : feed_(testplat::ReadFile(feedFile.empty() ? kDataDir + "/kestrel-de.rss" : feedFile))
    , program_("python3 '" + kDataDir + "/../platform/feed-server' '" + dir_.path() + "' '"
          + (feedFile.empty() ? kDataDir + "/kestrel-de.rss" : feedFile) + "'")
{
    if (feed_.rfind("HTTP/", 0) == 0)
        feed_.erase(0, feed_.find("<?xml"));
    if (!program_.Await("ports "))
        throw std::runtime_error("the feed server did not start");
    const std::string &out = program_.Output();
    sscanf(out.c_str() + out.find("ports "), "ports %d %d %d", &ports_[0], &ports_[1], &ports_[2]);
}

// A request of its own for a path that nobody else asks for: once its line has come, every line of the
// requests before it has come as well. Its own requests are left out, so that what it returns only
// grows from one call to the next.
std::string FeedServer::Requests()
{
    const std::string marker = "GET /marker/" + std::to_string(++marker_) + " ";
    char buffer[1];
    http::Get({http(marker.substr(5, marker.size() - 6)).c_str(), "FeedServer", nullptr, nullptr, nullptr}, buffer, 0);
    program_.Await(marker);
    std::string requests;
    const std::string &out = program_.Output();
    for (size_t at = out.find("\nGET "); at != std::string::npos; at = out.find("\nGET ", at + 1)) {
        const size_t end = out.find('\n', at + 1);
        const std::string line = out.substr(at + 1, end - at);
        if (line.rfind("GET /marker/", 0) != 0)
            requests += line;
    }
    return requests;
}

std::vector<std::chrono::steady_clock::time_point> FeedServer::Accepts()
{
    Requests();
    std::vector<std::chrono::steady_clock::time_point> accepts;
    const std::string &out = program_.Output();
    for (size_t at = out.find("\naccept "); at != std::string::npos; at = out.find("\naccept ", at + 1)) {
        const auto ns = std::chrono::nanoseconds(strtoll(out.c_str() + at + 8, nullptr, 10));
        accepts.emplace_back(std::chrono::duration_cast<std::chrono::steady_clock::duration>(ns));
    }
    return accepts;
}
