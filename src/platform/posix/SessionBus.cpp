#include "platform/posix/SessionBus.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utility>

#include "platform/host.h"
#include "platform/posix/PosixDos.h"

// A small client of the D-Bus wire protocol: a Unix socket, EXTERNAL authentication, Hello and one
// method call, all without blocking and within one deadline. Only what a notification needs is
// marshalled; replies are read far enough to find whose answer they are and what error they carry.

extern char **environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kAddressVariable[] = "DBUS_SESSION_BUS_ADDRESS";
// An address of no transport: every D-Bus library gives up on it at once.
constexpr char kNoBus[] = "disabled:";
constexpr size_t kMaxMessage = 1 << 20;
constexpr size_t kMaxLine = 512;
constexpr uint8_t kMethodCall = 1, kMethodReturn = 2, kError = 3;
constexpr uint8_t kFieldPath = 1, kFieldInterface = 2, kFieldMember = 3, kFieldErrorName = 4, kFieldReplySerial = 5,
                  kFieldDestination = 6, kFieldSignature = 8;
constexpr uint32_t kHelloSerial = 1, kCallSerial = 2;

std::atomic<bool> gMute {false}; // the bus did not answer in time once: none for the rest of the run

// The address as it was before the probe replaced it, for the programs Tavrin starts.
std::mutex gOriginalMutex;
bool gReplaced = false, gHadAddress = false;
std::string gOriginal;

// Marshalling, little-endian, into a message whose start is 8-byte aligned.
void Align(std::string *bytes, size_t n)
{
    bytes->resize((bytes->size() + n - 1) / n * n, '\0');
}
void PutU32(std::string *bytes, uint32_t value)
{
    Align(bytes, 4);
    for (int i = 0; i < 4; i++)
        *bytes += static_cast<char>(value >> (8 * i));
}
void PutString(std::string *bytes, const std::string &value)
{
    PutU32(bytes, static_cast<uint32_t>(value.size()));
    *bytes += value;
    *bytes += '\0';
}
void PutSignature(std::string *bytes, const std::string &value)
{
    *bytes += static_cast<char>(value.size());
    *bytes += value;
    *bytes += '\0';
}
void PutField(std::string *bytes, uint8_t code, char type, const std::string &value)
{
    Align(bytes, 8);
    *bytes += static_cast<char>(code);
    PutSignature(bytes, std::string(1, type));
    if (type == 'g')
        PutSignature(bytes, value);
    else
        PutString(bytes, value);
}

// Reads marshalled values in either byte order, never beyond `end`; `ok` turns false for good when a
// value does not fit.
struct Reader {
    const std::string &bytes;
    size_t pos, end;
    bool big;
    bool ok = true;

    bool Need(size_t n)
    {
        ok = ok && pos <= end && end - pos >= n;
        return ok;
    }
    void Align(size_t n) { pos = (pos + n - 1) / n * n; }
    uint8_t Byte() { return Need(1) ? static_cast<uint8_t>(bytes[pos++]) : 0; }
    uint32_t U32()
    {
        Align(4);
        if (!Need(4))
            return 0;
        uint32_t value = 0;
        for (int i = 0; i < 4; i++)
            value |= uint32_t(static_cast<uint8_t>(bytes[pos + i])) << (8 * (big ? 3 - i : i));
        pos += 4;
        return value;
    }
    std::string Text(size_t length)
    {
        if (!Need(length + 1))
            return {};
        std::string text = bytes.substr(pos, length);
        pos += length + 1;
        return text;
    }
    std::string String()
    {
        const uint32_t length = U32();
        return Text(length);
    }
    std::string Signature()
    {
        const uint8_t length = Byte();
        return Text(length);
    }
};

// What a caller needs of a received message.
struct Message {
    uint8_t type = 0;
    uint32_t replySerial = 0;
    std::string errorName, errorText;
};

enum class Parsed { More, Done, Garbled };

// Parses the message at the start of `bytes`; `size` is its length when Done.
Parsed Parse(const std::string &bytes, Message *msg, size_t *size)
{
    if (bytes.size() < 16)
        return Parsed::More;
    if (bytes[0] != 'l' && bytes[0] != 'B')
        return Parsed::Garbled;
    Reader head {bytes, 4, 16, bytes[0] == 'B'};
    const uint32_t bodyLength = head.U32();
    head.U32(); // its serial
    const size_t fieldsEnd = 16 + size_t(head.U32());
    const size_t bodyStart = (fieldsEnd + 7) / 8 * 8;
    if (bodyStart > kMaxMessage || bodyLength > kMaxMessage - bodyStart)
        return Parsed::Garbled;
    if (bytes.size() < bodyStart + bodyLength)
        return Parsed::More;
    msg->type = static_cast<uint8_t>(bytes[1]);
    std::string bodySignature;
    Reader fields {bytes, 16, fieldsEnd, head.big};
    for (fields.Align(8); fields.ok && fields.pos < fieldsEnd; fields.Align(8)) {
        const uint8_t code = fields.Byte();
        const std::string type = fields.Signature();
        if (type == "u") {
            const uint32_t value = fields.U32();
            if (code == kFieldReplySerial)
                msg->replySerial = value;
        } else if (type == "s" || type == "o") {
            std::string value = fields.String();
            if (code == kFieldErrorName)
                msg->errorName = std::move(value);
        } else if (type == "g") {
            std::string value = fields.Signature();
            if (code == kFieldSignature)
                bodySignature = std::move(value);
        } else {
            return Parsed::Garbled;
        }
    }
    if (!fields.ok)
        return Parsed::Garbled;
    if (msg->type == kError && bodySignature.rfind('s', 0) == 0) {
        Reader body {bytes, bodyStart, bodyStart + bodyLength, head.big};
        msg->errorText = body.String();
    }
    *size = bodyStart + bodyLength;
    return Parsed::Done;
}

std::string Unescaped(const std::string &value)
{
    std::string out;
    for (size_t i = 0; i < value.size(); i++) {
        if (value[i] == '%' && i + 2 < value.size()) {
            out += static_cast<char>(std::strtol(value.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            out += value[i];
        }
    }
    return out;
}

struct SocketName {
    std::string path;
    bool abstract;
};

// The Unix sockets that a D-Bus address names, in its order; other transports are left out.
std::vector<SocketName> UnixSockets(const std::string &address)
{
    std::vector<SocketName> names;
    size_t start = 0;
    while (start <= address.size()) {
        const size_t end = std::min(address.find(';', start), address.size());
        const std::string entry = address.substr(start, end - start);
        start = end + 1;
        if (entry.rfind("unix:", 0) != 0)
            continue;
        for (size_t pos = 5; pos <= entry.size();) {
            const size_t comma = std::min(entry.find(',', pos), entry.size());
            const std::string pair = entry.substr(pos, comma - pos);
            pos = comma + 1;
            if (pair.rfind("path=", 0) == 0)
                names.push_back({Unescaped(pair.substr(5)), false});
            else if (pair.rfind("abstract=", 0) == 0)
                names.push_back({Unescaped(pair.substr(9)), true});
        }
    }
    return names;
}

// The session bus as the D-Bus library finds it: the address in the environment, else the user's bus
// socket in the runtime directory.
std::string Address()
{
    const char *address = getenv(kAddressVariable);
    if (address && *address)
        return address;
    const char *runtime = getenv("XDG_RUNTIME_DIR");
    struct stat st { };
    if (!runtime || !*runtime || stat((std::string(runtime) + "/bus").c_str(), &st) != 0 || !S_ISSOCK(st.st_mode))
        return {};
    return "unix:path=" + std::string(runtime) + "/bus";
}

// One connection to the bus, every wait on it bounded by one deadline and ended by a quit.
class Connection {
public:
    enum class State { Open, Refused, TimedOut, Quit, Closed, Garbled };

    explicit Connection(Clock::time_point deadline)
        : m_deadline(deadline)
    {
    }
    ~Connection()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    State state() const { return m_state; }
    const std::string &why() const { return m_why; }

    bool Open(const std::string &address)
    {
        const std::vector<SocketName> names = UnixSockets(address);
        for (const SocketName &name : names) {
            if (ConnectTo(name))
                return true;
            if (m_state != State::Refused)
                return false;
        }
        if (names.empty())
            Fail(State::Refused, "no Unix socket in its address");
        return false;
    }

    // EXTERNAL authentication as the user we run as, then the start of the message stream.
    bool Authenticate()
    {
        std::string hexUid;
        for (const char c : std::to_string(getuid())) {
            char hex[3];
            snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(c));
            hexUid += hex;
        }
        std::string line;
        if (!Write(std::string(1, '\0') + "AUTH EXTERNAL " + hexUid + "\r\n") || !ReadLine(&line))
            return false;
        if (line.rfind("OK ", 0) != 0)
            return Fail(State::Refused, "it refused us");
        return Write("BEGIN\r\n");
    }

    bool Write(const std::string &bytes)
    {
        for (size_t done = 0; done < bytes.size();) {
            const ssize_t n = send(m_fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n > 0)
                done += static_cast<size_t>(n);
            else if (n < 0 && errno != EAGAIN && errno != EINTR)
                return Fail(State::Closed, strerror(errno));
            else if (n < 0 && errno == EAGAIN && !Await(POLLOUT))
                return false;
        }
        return true;
    }

    bool Receive(Message *msg)
    {
        for (;;) {
            size_t size = 0;
            const Parsed parsed = Parse(m_in, msg, &size);
            if (parsed == Parsed::Done) {
                m_in.erase(0, size);
                return true;
            }
            if (parsed == Parsed::Garbled)
                return Fail(State::Garbled, "it sent what is no message");
            if (!Fill())
                return false;
        }
    }

private:
    bool Fail(State state, const std::string &why)
    {
        m_state = state;
        m_why = why;
        return false;
    }

    bool Await(short events)
    {
        switch (posix_dos::WaitFor(m_fd, events, m_deadline)) {
        case posix_dos::Wait::Ready:
            return true;
        case posix_dos::Wait::TimedOut:
            return Fail(State::TimedOut, "it does not answer");
        case posix_dos::Wait::Quit:
            return Fail(State::Quit, "quitting");
        case posix_dos::Wait::Failed:
            break;
        }
        return Fail(State::Closed, strerror(errno));
    }

    bool ConnectTo(const SocketName &name)
    {
        sockaddr_un addr {};
        addr.sun_family = AF_UNIX;
        const size_t offset = name.abstract ? 1 : 0;
        if (name.path.size() + offset >= sizeof addr.sun_path)
            return Fail(State::Refused, "its socket's name is too long");
        memcpy(addr.sun_path + offset, name.path.data(), name.path.size());
        const auto length = static_cast<socklen_t>(
            offsetof(sockaddr_un, sun_path) + offset + name.path.size() + (name.abstract ? 0 : 1));
        if (m_fd < 0)
            m_fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (m_fd < 0)
            return Fail(State::Closed, strerror(errno));
        // A listener whose queue is full (a bus that stopped) answers EAGAIN: tried again until the deadline.
        while (connect(m_fd, reinterpret_cast<sockaddr *>(&addr), length) != 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN)
                return Fail(State::Refused, strerror(errno));
            if (Clock::now() >= m_deadline)
                return Fail(State::TimedOut, "it does not answer");
            if (posix_dos::WaitFor(exec_host::QuitFd(), POLLIN, Clock::now() + std::chrono::milliseconds(10))
                != posix_dos::Wait::TimedOut)
                return Fail(State::Quit, "quitting");
        }
        return true;
    }

    // Adds what has come to m_in, waiting for it.
    bool Fill()
    {
        char buf[4096];
        for (;;) {
            const ssize_t n = recv(m_fd, buf, sizeof buf, 0);
            if (n > 0) {
                m_in.append(buf, static_cast<size_t>(n));
                return true;
            }
            if (n == 0)
                return Fail(State::Closed, "it closed the connection");
            if (errno != EAGAIN && errno != EINTR)
                return Fail(State::Closed, strerror(errno));
            if (errno == EAGAIN && !Await(POLLIN))
                return false;
        }
    }

    bool ReadLine(std::string *line)
    {
        size_t end;
        while ((end = m_in.find("\r\n")) == std::string::npos) {
            if (m_in.size() > kMaxLine)
                return Fail(State::Garbled, "it sent what is no answer");
            if (!Fill())
                return false;
        }
        *line = m_in.substr(0, end);
        m_in.erase(0, end + 2);
        return true;
    }

    int m_fd = -1;
    Clock::time_point m_deadline;
    State m_state = State::Open;
    std::string m_why;
    std::string m_in;
};

session_bus::Reply NoBus(const std::string &why)
{
    return {session_bus::Reply::NoBus, why};
}

// Why a connection ended before the bus had answered Hello. A bus that kept silent is mute from now on.
session_bus::Reply BusFailure(const Connection &c)
{
    if (c.state() == Connection::State::Quit)
        return {session_bus::Reply::Quit, c.why()};
    if (c.state() == Connection::State::TimedOut)
        gMute = true;
    return NoBus(c.why());
}

// Hello, then `call` if there is one, on a fresh connection.
session_bus::Reply Exchange(const session_bus::Call *call)
{
    if (gMute)
        return NoBus("it did not answer before");
    if (exec_host::QuitPending())
        return {session_bus::Reply::Quit, "quitting"};
    const std::string address = Address();
    if (address.empty())
        return NoBus("none");
    Connection c(Clock::now() + std::chrono::milliseconds(session_bus::kTimeoutMs));
    std::string messages
        = session_bus::Call("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "Hello")
              .Message(kHelloSerial);
    if (call)
        messages += call->Message(kCallSerial);
    if (!c.Open(address) || !c.Authenticate() || !c.Write(messages))
        return BusFailure(c);
    bool helloAnswered = false;
    for (Message msg; c.Receive(&msg); msg = {}) {
        if (msg.replySerial == kHelloSerial && !helloAnswered) {
            if (msg.type != kMethodReturn)
                return NoBus("it refused Hello");
            helloAnswered = true;
            if (!call)
                return {session_bus::Reply::Returned, {}};
        } else if (msg.replySerial == kCallSerial && helloAnswered) {
            if (msg.type == kError)
                return {session_bus::Reply::Error, msg.errorName + " " + msg.errorText};
            return {session_bus::Reply::Returned, {}};
        }
    }
    if (!helloAnswered)
        return BusFailure(c);
    if (c.state() == Connection::State::Quit)
        return {session_bus::Reply::Quit, c.why()};
    return {session_bus::Reply::NoReply, c.why()};
}

} // namespace

namespace session_bus {

Call::Call(std::string destination, std::string path, std::string interface, std::string member)
    : m_destination(std::move(destination))
    , m_path(std::move(path))
    , m_interface(std::move(interface))
    , m_member(std::move(member))
{
}

Call &Call::String(const std::string &value)
{
    PutString(&m_body, value);
    m_signature += 's';
    return *this;
}

Call &Call::Uint32(uint32_t value)
{
    PutU32(&m_body, value);
    m_signature += 'u';
    return *this;
}

Call &Call::Int32(int32_t value)
{
    PutU32(&m_body, static_cast<uint32_t>(value));
    m_signature += 'i';
    return *this;
}

Call &Call::EmptyArray(const std::string &signature, size_t alignment)
{
    PutU32(&m_body, 0);
    Align(&m_body, alignment);
    m_signature += "a" + signature;
    return *this;
}

std::string Call::Message(uint32_t serial) const
{
    std::string bytes = {'l', static_cast<char>(kMethodCall), 0, 1};
    PutU32(&bytes, static_cast<uint32_t>(m_body.size()));
    PutU32(&bytes, serial);
    PutU32(&bytes, 0); // the length of the fields, once they are in
    PutField(&bytes, kFieldPath, 'o', m_path);
    PutField(&bytes, kFieldInterface, 's', m_interface);
    PutField(&bytes, kFieldMember, 's', m_member);
    PutField(&bytes, kFieldDestination, 's', m_destination);
    if (!m_signature.empty())
        PutField(&bytes, kFieldSignature, 'g', m_signature);
    const auto fields = static_cast<uint32_t>(bytes.size() - 16);
    for (int i = 0; i < 4; i++)
        bytes[12 + i] = static_cast<char>(fields >> (8 * i));
    Align(&bytes, 8);
    return bytes + m_body;
}

bool Probe()
{
    const Reply reply = Exchange(nullptr);
    if (reply.kind == Reply::NoBus && gMute) {
        std::lock_guard<std::mutex> lock(gOriginalMutex);
        const char *address = getenv(kAddressVariable);
        gHadAddress = address != nullptr;
        gOriginal = address ? address : "";
        gReplaced = true;
        std::fprintf(
            stderr, "Tavrin: the session bus (%s) does not answer; Tavrin goes on without it.\n", Address().c_str());
        setenv(kAddressVariable, kNoBus, 1);
    }
    return reply.kind == Reply::Returned;
}

std::vector<char *> ChildEnvironment(std::vector<std::string> *storage)
{
    std::lock_guard<std::mutex> lock(gOriginalMutex);
    std::vector<char *> env;
    const std::string prefix = std::string(kAddressVariable) + "=";
    storage->assign(1, prefix + gOriginal);
    for (char **var = environ; *var; var++) {
        if (!gReplaced || strncmp(*var, prefix.c_str(), prefix.size()) != 0)
            env.push_back(*var);
    }
    if (gReplaced && gHadAddress)
        env.push_back(storage->front().data());
    env.push_back(nullptr);
    return env;
}

void Reset()
{
    std::lock_guard<std::mutex> lock(gOriginalMutex);
    gMute = false;
    gReplaced = false;
}

Reply Send(const Call &call)
{
    return Exchange(&call);
}

} // namespace session_bus
