// What a freshly started ticker costs, against baselines measured in the same run:
//  - the first check of two 200 KB feeds from a loopback server, from the first connect to the second save
//    of the timestamp file, against a plain socket download of the same bytes by a small fresh process;
//  - the same check of the two feeds given by address over HTTPS (the tests' feed server, its CA in CAFILE
//    beside the system's certificates), against the check over the fixed plain request;
//  - the peak resident memory with both lists filled from 2 MB feeds, against a bare Qt window;
//  - the time to the shown list for 40,000 small items against 10,000.
// Each figure is the median of several fresh starts; the runs of a figure and of its baseline alternate,
// so that a busy machine slows both alike. Everything runs on a private virtual display when Xvfb is
// there, otherwise on Qt's offscreen platform.
//
//   tavrin_startbench <tavrin executable> <bare window executable>
//   tavrin_startbench --fetch <address> <ENVARC directory>    (the plain download, started by the bench)

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "FeedGen.h"
#include "platform/FeedServer.h"
#include "platform/LoopbackServer.h"
#include "platform/Program.h"
#include "platform/TestPlatform.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

// Both feeds are read whole; the plain download uses a buffer of the same size.
constexpr size_t BUFSIZE = 32 * 1024 * 1024;
std::string gTavrin, gBareWindow;
FeedServer *gFeeds; // serves the 200 KB feed over HTTPS

enum Subject { Ticker, PlainFetch, BareWindow, FeedTicker };

// One fresh start of `subject` with private devices, against a server of `feed` for both channels: the
// time in ms from the first connect to the `renames`th time the subject renames its file into ENVARC:,
// or with `peak` its peak resident memory in MB a second later.
double Start(Subject subject, const std::string &feed, size_t bufsize, int renames, bool peak = false)
{
    testplat::Devices devices;
    setenv("TAVRIN_ASSIGN_PROGDIR", fs::path(gTavrin).parent_path().c_str(), 1);
    // The window at 100,100, 500×400; both channels watched, the English one shown first, no notification,
    // no position saved.
    std::string conf = std::string("\0\0\0d\0\0\0d\0\0\x01\xf4\0\0\x01\x90\x02", 17) + std::string(411, '\0');
    conf[16 + 406] = 1;
    testplat::WriteFile(devices.envarc() + "Tavrin.conf", conf);
    // The kernel merges an event into an unread one just like it, cookie aside: two renames of the file
    // in a row would count once. The creation of the temporary file that comes between them keeps them
    // apart.
    const int watch = inotify_init1(IN_CLOEXEC);
    if (watch < 0 || inotify_add_watch(watch, devices.envarc().c_str(), IN_MOVED_TO | IN_CREATE) < 0)
        throw std::runtime_error("inotify");
    LoopbackServer server(LoopbackServer::Mode::Repeat, feed);
    // Shell command lines: the paths are quoted.
    const std::string commands[] = {"'" + gTavrin + "' --workbench ICONIFY=WINDOW OPENGUI NEWSURL=bench.test NEWSADR="
            + server.address() + " RSSBUFSIZE=" + std::to_string(bufsize),
        "'" + fs::read_symlink("/proc/self/exe").string() + "' --fetch " + server.address() + " '" + devices.envarc()
            + "'",
        "'" + gBareWindow + "' '" + devices.envarc() + "'",
        "'" + gTavrin + "' --workbench ICONIFY=WINDOW OPENGUI GERMANFEED=" + gFeeds->https("feed/de") + " ENGLISHFEED="
            + gFeeds->https("feed/en") + " CAFILE=" + gFeeds->caFile() + " RSSBUFSIZE=" + std::to_string(bufsize)};
    const char *file = subject == BareWindow ? "shown" : "Tavrin.ts";
    const Clock::time_point launched = Clock::now();
    testplat::Program process(commands[subject] + " >/dev/null 2>&1");
    Clock::time_point end;
    alignas(inotify_event) char buf[4096];
    // A subject may rename and end before the wait begins: its renames are still read. A minute without
    // one ends the wait.
    for (pollfd p {watch, POLLIN, 0}; renames && poll(&p, 1, 60000) > 0;) {
        const ssize_t n = read(watch, buf, sizeof buf);
        end = Clock::now();
        for (ssize_t at = 0; at < n;) {
            const auto *e = reinterpret_cast<const inotify_event *>(buf + at);
            renames -= renames && (e->mask & IN_MOVED_TO) && e->len && strcmp(e->name, file) == 0;
            at += ssize_t(sizeof *e + e->len);
        }
    }
    close(watch);
    if (renames)
        throw std::runtime_error(commands[subject] + " did not reach its end");
    server.request();
    Clock::time_point begin = server.firstAccept();
    if (subject == FeedTicker) {
        const auto accepts = gFeeds->Accepts();
        const auto first = std::find_if(accepts.begin(), accepts.end(), [&](auto t) { return t >= launched; });
        if (first == accepts.end())
            throw std::runtime_error("the feed server saw no connection");
        begin = *first;
    }
    if (!peak)
        return std::chrono::duration<double, std::milli>(end - begin).count();
    sleep(1);
    const std::string status = testplat::ReadFile("/proc/" + std::to_string(process.pid) + "/status");
    return atof(status.c_str() + status.find("VmHWM:") + 6) / 1024;
}

// Prints the medians of `rounds` alternating runs of `figure` and `baseline`, and their ratio.
template<typename A, typename B> void Figure(const char *format, int rounds, A figure, B baseline)
{
    std::vector<double> a, b;
    for (int i = 0; i < rounds; i++) {
        a.push_back(figure());
        b.push_back(baseline());
    }
    std::nth_element(a.begin(), a.begin() + rounds / 2, a.end());
    std::nth_element(b.begin(), b.begin() + rounds / 2, b.end());
    printf(format, a[size_t(rounds / 2)], b[size_t(rounds / 2)], a[size_t(rounds / 2)] / b[size_t(rounds / 2)]);
}

// The baseline download: both feeds over plain sockets into one buffer, each followed by a replaced file
// as the ticker's timestamp save is.
int Fetch(const char *address, const std::string &envarc)
{
    std::vector<char> buffer(BUFSIZE + 1);
    for (const char *path : {"/rss_de", "/rss_en"}) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr {AF_INET, htons(uint16_t(atoi(strchr(address, ':') + 1))), {htonl(INADDR_LOOPBACK)}, {}};
        const std::string request
            = std::string("GET http://bench.test") + path + "\r\nUser-Agent: Tavrin/1.0\r\nConnection: close\r\n\r\n";
        if (connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0
            || send(fd, request.data(), request.size(), 0) != ssize_t(request.size()))
            return 1;
        size_t count = 0;
        for (ssize_t n; (n = recv(fd, buffer.data() + count, BUFSIZE - count, 0)) > 0;)
            count += size_t(n);
        buffer[count] = 0;
        close(fd);
        const int out = open((envarc + ".Tavrin.ts.new").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (out < 0 || write(out, &count, sizeof count) != sizeof count || fsync(out) != 0 || close(out) != 0
            || rename((envarc + ".Tavrin.ts.new").c_str(), (envarc + "Tavrin.ts").c_str()) != 0)
            return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && strcmp(argv[1], "--fetch") == 0)
        return Fetch(argv[2], argv[3]);
    if (argc != 3) {
        fprintf(stderr, "usage: %s <tavrin executable> <bare window executable>\n", argv[0]);
        return 2;
    }
    // The devices lie in memory where they can, so that the timestamp file's flush costs what the program
    // does, not what the disk does.
    if (fs::is_directory("/dev/shm"))
        setenv("TMPDIR", "/dev/shm", 1);
    // A desktop session as most users have it: the system's certificates where the system keeps them.
    for (const char *var :
        {"WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "QT_QPA_PLATFORM", "SSL_CERT_FILE", "SSL_CERT_DIR"})
        unsetenv(var);
    // All starts share one private X server: the bench runs itself again under xvfb-run, which takes the
    // first free display from :400 on; -noreset keeps the server from resetting, and refusing the next
    // start meanwhile, whenever its last client leaves. Without xvfb-run, Qt's offscreen platform.
    if (!getenv("STARTBENCH_XVFB")) {
        setenv("STARTBENCH_XVFB", "1", 1);
        execlp("xvfb-run", "xvfb-run", "-a", "-n", "400", "-s", "-noreset -screen 0 1280x800x24", argv[0], argv[1],
            argv[2], nullptr);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    printf("fresh starts on %s\n", getenv("QT_QPA_PLATFORM") ? "the offscreen platform" : "a private Xvfb");
    gTavrin = fs::absolute(argv[1]);
    gBareWindow = fs::absolute(argv[2]);
    // All feeds are made before the first start, so that making them slows no run.
    const std::string check = GenerateFeed(200 * 1024), full = GenerateFeed(2 * 1024 * 1024, 2);
    const std::string items10000 = GenerateSmallFeed(5000), items40000 = GenerateSmallFeed(20000);
    try {
        // The feed server's certificate comes from a CA of its own, which the ticker trusts through CAFILE
        // beside the system's certificates, as a user with a private server does.
        testplat::TempDir files;
        testplat::WriteFile(files.file("check.rss"), check);
        FeedServer feeds(files.file("check.rss"));
        gFeeds = &feeds;
        Figure(
            "first check of two 200 KB feeds: %.1f ms, plain download %.1f ms: %.2f x (target: under 20 ms)\n", 9,
            [&] { return Start(Ticker, check, 400 * 1024, 2); }, [&] { return Start(PlainFetch, check, 0, 2); });
        Figure(
            "first check of two 200 KB feeds over HTTPS: %.1f ms, over the plain request %.1f ms: %.2f x (goal: "
            "under 50 ms)\n",
            9, [&] { return Start(FeedTicker, check, 400 * 1024, 2); },
            [&] { return Start(Ticker, check, 400 * 1024, 2); });
        Figure(
            "peak resident with two 2 MB feeds: %.1f MB, bare Qt window %.1f MB: %.2f x (target: under 40 MB)\n", 3,
            [&] { return Start(Ticker, full, 4 * 1024 * 1024, 2, true); },
            [&] { return Start(BareWindow, {}, 0, 1, true); });
        // The third save of the timestamps follows the showing of the list that the window opens with.
        Figure(
            "shown list of 40000 small items: %.1f ms, of 10000: %.1f ms: %.2f x (target: at most 4.5 x)\n", 7,
            [&] { return Start(Ticker, items40000, BUFSIZE, 3); },
            [&] { return Start(Ticker, items10000, BUFSIZE, 3); });
    } catch (const std::exception &e) {
        fprintf(stderr, "startbench: %s\n", e.what());
        return 1;
    }
    return 0;
}
