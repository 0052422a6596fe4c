// What a freshly started ticker costs, against baselines measured in the same run:
//  - the first check of two 200 KB feeds from a loopback server, from the first connect to the second save
//    of the timestamp file, against a plain socket download of the same bytes by a small fresh process;
//  - the peak resident memory with both lists filled from 2 MB feeds, against a bare Qt window;
//  - the time to the shown list for 40,000 small items against 10,000.
// Each figure is the median of several fresh starts; the runs of a figure and of its baseline alternate,
// so that a busy machine slows both alike. Everything runs on a private virtual display when Xvfb is
// there, otherwise on Qt's offscreen platform.
//
//   tavrin_startbench <tavrin executable> <bare window executable>
//   tavrin_startbench --fetch <port> <set> <ENVARC directory>    (the plain download, started by the bench)
//
// STARTBENCH_LOG=<file> keeps what the started programs print.

#include <algorithm>
#include <arpa/inet.h>
#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdexcept>
#include <string>
#include <sys/inotify.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "FeedGen.h"

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

const char *const PATHS[] = {"/rss_de", "/rss_en"};
// Both feeds are read whole; the plain download uses a buffer of the same size.
constexpr size_t BUFSIZE = 32 * 1024 * 1024;

[[noreturn]] void Fail(const std::string &what)
{
    throw std::runtime_error(what + ": " + strerror(errno));
}

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

bool SendAll(int fd, const char *data, size_t length)
{
    while (length) {
        const ssize_t n = send(fd, data, length, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        length -= size_t(n);
    }
    return true;
}

// The German and the English feed of each kind of run, by the host name the request asks for.
using FeedSets = std::map<std::string, std::array<std::string, 2>>;

// Serves the feed sets on 127.0.0.1, one connection after the other, and notes when the first
// connection of a run was accepted.
class FeedServer {
public:
    explicit FeedServer(FeedSets sets)
        : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
        , sets_(std::move(sets))
    {
        sockaddr_in addr {AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t len = sizeof addr;
        if (bind(fd_, reinterpret_cast<sockaddr *>(&addr), len) != 0 || listen(fd_, 8) != 0
            || getsockname(fd_, reinterpret_cast<sockaddr *>(&addr), &len) != 0)
            Fail("feed server");
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread(&FeedServer::Serve, this);
    }
    ~FeedServer()
    {
        stopping_ = true;
        thread_.join();
        close(fd_);
    }

    uint16_t port() const { return port_; }
    // The first accept after the last Rearm, or the zero time point.
    void Rearm() { firstAccept_ = Clock::time_point {}; }
    Clock::time_point firstAccept() const { return firstAccept_.load(); }

private:
    void Serve()
    {
        while (!stopping_) {
            pollfd p {fd_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            const int c = accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (c < 0)
                continue;
            Clock::time_point none {};
            firstAccept_.compare_exchange_strong(none, Clock::now());
            Answer(c);
            close(c);
        }
    }

    void Answer(int c)
    {
        std::string request;
        char buf[512];
        while (request.find("\r\n\r\n") == std::string::npos) {
            const ssize_t n = recv(c, buf, sizeof buf, 0);
            if (n <= 0)
                return;
            request.append(buf, size_t(n));
        }
        // "GET http://<set>/<path>"
        const std::string line = request.substr(0, request.find("\r\n"));
        const size_t host = line.find("//") + 2, path = line.find('/', host);
        const auto set = sets_.find(line.substr(host, path - host));
        for (int i = 0; i < 2 && set != sets_.end(); i++) {
            if (line.ends_with(PATHS[i]) && SendAll(c, set->second[i].data(), set->second[i].size()))
                shutdown(c, SHUT_WR);
        }
    }

    int fd_;
    uint16_t port_;
    const FeedSets sets_;
    std::atomic<Clock::time_point> firstAccept_ {};
    std::atomic<bool> stopping_ {false};
    std::thread thread_;
};

// A private X server for the runs, or none (then Qt's offscreen platform). It takes the first free
// display number from 400 on; -noreset keeps it from resetting, and refusing the next start meanwhile,
// whenever its last client leaves.
class Display {
public:
    Display()
    {
        for (int number = 400; number < 420 && name_.empty(); number++) {
            const std::string display = ":" + std::to_string(number);
            if (fs::exists("/tmp/.X" + std::to_string(number) + "-lock"))
                continue;
            const char *argv[]
                = {"Xvfb", display.c_str(), "-noreset", "-screen", "0", "1280x800x24", "-nolisten", "tcp", nullptr};
            posix_spawn_file_actions_t actions;
            posix_spawn_file_actions_init(&actions);
            posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
            posix_spawn_file_actions_adddup2(&actions, 1, 2);
            const bool started
                = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char **>(argv), environ) == 0;
            posix_spawn_file_actions_destroy(&actions);
            if (!started)
                return;
            // Up when its socket is there; gone when another server held the number.
            for (int i = 0; i < 200 && name_.empty() && waitpid(pid_, nullptr, WNOHANG) == 0; i++) {
                if (fs::exists("/tmp/.X11-unix/X" + std::to_string(number)))
                    name_ = display;
                else
                    usleep(50000);
            }
        }
        if (name_.empty())
            Stop();
    }
    ~Display() { Stop(); }
    // ":N", or empty for the offscreen platform.
    const std::string &name() const { return name_; }

private:
    void Stop()
    {
        if (pid_ > 0 && kill(pid_, SIGTERM) == 0)
            waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }

    pid_t pid_ = 0;
    std::string name_;
};

// Private ENVARC: and RAM: directories for one start, below /dev/shm where it exists, so that the
// timestamp file's flush costs what the program does, not what the disk does.
class Devices {
public:
    Devices()
    {
        std::string base = fs::is_directory("/dev/shm") ? "/dev/shm" : fs::temp_directory_path().string();
        std::string tmpl = base + "/startbench.XXXXXX";
        if (!mkdtemp(tmpl.data()))
            Fail("mkdtemp");
        dir_ = tmpl;
        fs::create_directory(envarc());
        fs::create_directory(ram());
        fs::permissions(ram(), fs::perms::owner_all);
        WriteSettings();
    }
    ~Devices() { fs::remove_all(dir_); }
    std::string envarc() const { return dir_ + "/ENVARC"; }
    std::string ram() const { return dir_ + "/RAM"; }

private:
    // The settings file: the window's geometry as four big-endian words, then the settings record with
    // both channels checked, the English one shown first, no notification and no position saving.
    void WriteSettings() const
    {
        unsigned char conf[16 + 412] = {0, 0, 0, 100, 0, 0, 0, 100, 0, 0, 1, 244, 0, 0, 1, 144};
        unsigned char *prefs = conf + 16;
        prefs[0] = 2; // Checklang: German and English
        memcpy(prefs + 3, "TR_special.8svx", 15); // Sample
        memcpy(prefs + 206, "OWB:OWB", 7); // Browser
        prefs[406] = 1; // Openshow: English
        FILE *f = fopen((envarc() + "/Tavrin.conf").c_str(), "wb");
        if (!f || fwrite(conf, sizeof conf, 1, f) != 1 || fclose(f) != 0)
            Fail("settings file");
    }

    std::string dir_;
};

// One fresh process with the devices and the display of the run.
class Subject {
public:
    Subject(const std::vector<std::string> &args, const Devices &devices, const Display &display)
    {
        std::vector<std::string> env;
        for (char **e = environ; *e; e++) {
            const std::string var = *e;
            if (!var.starts_with("DISPLAY=") && !var.starts_with("QT_QPA_PLATFORM=")
                && !var.starts_with("WAYLAND_DISPLAY=") && !var.starts_with("DBUS_SESSION_BUS_ADDRESS=")
                && !var.starts_with("TAVRIN_ASSIGN_"))
                env.push_back(var);
        }
        env.push_back("TAVRIN_ASSIGN_ENVARC=" + devices.envarc());
        env.push_back("TAVRIN_ASSIGN_RAM=" + devices.ram());
        env.push_back(display.name().empty() ? "QT_QPA_PLATFORM=offscreen" : "DISPLAY=" + display.name());
        std::vector<char *> argv, envp;
        for (const auto &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        for (const auto &e : env)
            envp.push_back(const_cast<char *>(e.c_str()));
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const char *log = getenv("STARTBENCH_LOG");
        posix_spawn_file_actions_addopen(&actions, 1, log ? log : "/dev/null", O_WRONLY | O_CREAT | O_APPEND, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        errno = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        if (errno)
            Fail("start " + args[0]);
    }
    // Ends the process as a log-out would, then for good.
    ~Subject()
    {
        kill(pid_, SIGTERM);
        for (int i = 0; i < 100 && !Ended(); i++)
            usleep(50000);
        if (!Ended()) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    pid_t pid() const { return pid_; }
    bool Ended()
    {
        if (!ended_)
            ended_ = waitpid(pid_, nullptr, WNOHANG) == pid_;
        return ended_;
    }
    // The peak resident memory so far, in MB.
    double PeakMB() const
    {
        FILE *f = fopen(("/proc/" + std::to_string(pid_) + "/status").c_str(), "r");
        char line[256];
        long kb = 0;
        while (f && fgets(line, sizeof line, f))
            sscanf(line, "VmHWM: %ld kB", &kb);
        if (f)
            fclose(f);
        return double(kb) / 1024;
    }

private:
    pid_t pid_;
    bool ended_ = false;
};

// Waits until a file named `name` has been renamed into `dir` for the `count`th time; the time of
// that rename, or nothing when the subject ended or 60 s went by first.
class RenameWatch {
public:
    explicit RenameWatch(const std::string &dir)
        : fd_(inotify_init1(IN_CLOEXEC))
    {
        if (fd_ < 0 || inotify_add_watch(fd_, dir.c_str(), IN_MOVED_TO) < 0)
            Fail("inotify");
    }
    ~RenameWatch() { close(fd_); }

    bool Wait(const char *name, int count, Subject &subject, Clock::time_point *when)
    {
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        alignas(inotify_event) char buf[4096];
        while (Clock::now() < deadline) {
            // A subject may rename and end before this wait begins: its renames are still read.
            pollfd p {fd_, POLLIN, 0};
            if (poll(&p, 1, 100) <= 0) {
                if (subject.Ended())
                    break;
                continue;
            }
            const ssize_t n = read(fd_, buf, sizeof buf);
            const auto now = Clock::now();
            for (ssize_t at = 0; at < n;) {
                const auto *e = reinterpret_cast<const inotify_event *>(buf + at);
                if (e->len && strcmp(e->name, name) == 0 && ++seen_ == count) {
                    *when = now;
                    return true;
                }
                at += ssize_t(sizeof(inotify_event) + e->len);
            }
        }
        return false;
    }

private:
    int fd_;
    int seen_ = 0;
};

struct Bench {
    std::string tavrin, bareWindow, self;
    FeedServer server;
    Display display;

    // The ticker asks for the feed set `set` by its server name.
    std::vector<std::string> TavrinArgs(const char *set, size_t bufsize) const
    {
        return {tavrin, "--workbench", "ICONIFY=WINDOW", "OPENGUI", std::string("NEWSURL=") + set,
            // "127.1": with a five-digit port 127.0.0.1 would not fit NEWSADR's 14 characters.
            "NEWSADR=127.1:" + std::to_string(server.port()), "RSSBUFSIZE=" + std::to_string(bufsize)};
    }

    // One fresh start: the time from the first connect to the `renames`th time `file` is renamed into
    // ENVARC: (0 when nothing connected, as for the bare window), and the peak memory a second later
    // when `peak` is asked for. Negative when the start failed. The baselines get the ENVARC:
    // directory as their last argument.
    double Run(const std::vector<std::string> &args, const char *file, int renames, double *peak = nullptr)
    {
        Devices devices;
        RenameWatch watch(devices.envarc());
        server.Rearm();
        std::vector<std::string> all = args;
        if (all[0] != tavrin)
            all.push_back(devices.envarc());
        Subject subject(all, devices, display);
        Clock::time_point end;
        if (!watch.Wait(file, renames, subject, &end))
            return -1;
        if (peak) {
            usleep(1000000);
            *peak = subject.PeakMB();
        }
        return server.firstAccept() == Clock::time_point {} ? 0 : Ms(end - server.firstAccept());
    }

    // Runs the figures one after the other, `rounds` times, and returns their medians.
    static std::vector<double> Medians(int rounds, const std::vector<std::function<double()>> &figures)
    {
        std::vector<std::vector<double>> runs(figures.size());
        for (int i = 0; i < rounds; i++) {
            for (size_t f = 0; f < figures.size(); f++) {
                runs[f].push_back(figures[f]());
                if (runs[f].back() < 0)
                    throw std::runtime_error("a start did not reach its end");
            }
        }
        std::vector<double> medians;
        for (const auto &r : runs)
            medians.push_back(Median(r));
        return medians;
    }
};

// The baseline download: both feeds over plain sockets into one buffer, each followed by a replaced file
// as the ticker's timestamp save is.
int PlainFetch(const char *port, const char *set, const char *envarc)
{
    std::vector<char> buffer(BUFSIZE + 1);
    for (const char *path : PATHS) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr {AF_INET, htons(uint16_t(atoi(port))), {htonl(INADDR_LOOPBACK)}, {}};
        if (connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0)
            return 1;
        const std::string request
            = std::string("GET http://") + set + path + "\r\nUser-Agent: Tavrin/1.0\r\nConnection: close\r\n\r\n";
        SendAll(fd, request.data(), request.size());
        size_t count = 0;
        for (ssize_t n; (n = recv(fd, buffer.data() + count, BUFSIZE - count, 0)) > 0;)
            count += size_t(n);
        buffer[count] = 0;
        close(fd);
        const std::string temp = std::string(envarc) + "/.Tavrin.ts.new";
        const int out = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (out < 0 || write(out, &count, sizeof count) != sizeof count || fsync(out) != 0 || close(out) != 0
            || rename(temp.c_str(), (std::string(envarc) + "/Tavrin.ts").c_str()) != 0)
            return 1;
    }
    return 0;
}

int RunAll(const char *tavrin, const char *bareWindow)
{
    char self[PATH_MAX] = {};
    if (readlink("/proc/self/exe", self, sizeof self - 1) < 0)
        Fail("/proc/self/exe");
    // All feeds are made before the first start, so that making them slows no run.
    FeedSets sets {{"check", {GenerateFeed(200 * 1024, 1), GenerateFeed(200 * 1024, 3)}},
        {"full", {GenerateFeed(2 * 1024 * 1024, 2), GenerateFeed(2 * 1024 * 1024, 4)}},
        {"items10000", {GenerateSmallFeed(5000, 5), GenerateSmallFeed(5000, 6)}},
        {"items40000", {GenerateSmallFeed(20000, 5), GenerateSmallFeed(20000, 6)}}};
    Bench bench {
        fs::absolute(tavrin).string(), fs::absolute(bareWindow).string(), self, FeedServer(std::move(sets)), {}};
    printf("fresh starts on %s\n", bench.display.name().empty() ? "the offscreen platform" : "a private Xvfb");
    const std::string port = std::to_string(bench.server.port());

    auto check = Bench::Medians(10,
        {[&] { return bench.Run(bench.TavrinArgs("check", 400 * 1024), "Tavrin.ts", 2); },
            [&] {
                return bench.Run({self, "--fetch", port, "check"}, "Tavrin.ts", 2);
            }});
    printf("first check of two 200 KB feeds: %.1f ms, plain download %.1f ms: %.2f x (target: under 20 ms)\n", check[0],
        check[1], check[0] / check[1]);

    auto peak = Bench::Medians(3,
        {[&] {
             double mb = -1;
             bench.Run(bench.TavrinArgs("full", 4 * 1024 * 1024), "Tavrin.ts", 2, &mb);
             return mb;
         },
            [&] {
                double mb = -1;
                bench.Run({bench.bareWindow}, "shown", 1, &mb);
                return mb;
            }});
    printf("peak resident with two 2 MB feeds: %.1f MB, bare Qt window %.1f MB: %.2f x (target: under 40 MB)\n",
        peak[0], peak[1], peak[0] / peak[1]);

    // Half of the items in each channel. The third save of the timestamps follows the showing of the list
    // that the window opens with.
    auto shown = Bench::Medians(7,
        {[&] { return bench.Run(bench.TavrinArgs("items10000", BUFSIZE), "Tavrin.ts", 3); },
            [&] { return bench.Run(bench.TavrinArgs("items40000", BUFSIZE), "Tavrin.ts", 3); }});
    printf("shown list of 40000 small items: %.1f ms, of 10000: %.1f ms: %.2f x (target: at most 4.5 x)\n", shown[1],
        shown[0], shown[1] / shown[0]);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 5 && strcmp(argv[1], "--fetch") == 0)
        return PlainFetch(argv[2], argv[3], argv[4]);
    if (argc != 3) {
        fprintf(stderr, "usage: %s <tavrin executable> <bare window executable>\n", argv[0]);
        return 2;
    }
    signal(SIGPIPE, SIG_IGN);
    try {
        return RunAll(argv[1], argv[2]);
    } catch (const std::exception &e) {
        fprintf(stderr, "startbench: %s\n", e.what());
        return 1;
    }
}
