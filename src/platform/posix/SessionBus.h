#pragma once

// The desktop's session bus, spoken to on a connection of our own for each exchange, so that no wait
// on it is longer than about a second or outlasts a pending quit. It lies outside the program: a bus
// that does not answer in time counts as none for the rest of the run, as a display that does not
// answer does.

#include <cstdint>
#include <string>
#include <vector>

namespace session_bus {

// How long one exchange may take all told: connecting, authenticating, Hello and a call's reply.
constexpr int kTimeoutMs = 1000;

// Asks the bus for Hello once, before Qt or anything it loads touches the bus. A bus that does not
// answer in time counts as none from then on, for Qt too: the environment then names none
// (DBUS_SESSION_BUS_ADDRESS), and a line on standard error says so. Programs Tavrin starts still get
// the address as it was (ChildEnvironment). False when there is no bus to use.
bool Probe();

// The environment for a program Tavrin starts: its own, with the session bus's address as it was
// before the probe. The pointers live as long as `storage` and the environment stay unchanged.
std::vector<char *> ChildEnvironment(std::vector<std::string> *storage);

// A method call; its body is marshalled as the arguments are added, each adding to the signature.
class Call {
public:
    Call(std::string destination, std::string path, std::string interface, std::string member);
    Call &String(const std::string &value);
    Call &Uint32(uint32_t value);
    Call &Int32(int32_t value);
    // An empty array of elements of `signature`, aligned to `alignment` bytes ("as": 4, "a{sv}": 8).
    Call &EmptyArray(const std::string &signature, size_t alignment);

    // The whole message with serial number `serial`.
    std::string Message(uint32_t serial) const;

private:
    std::string m_destination, m_path, m_interface, m_member, m_signature, m_body;
};

struct Reply {
    enum Kind {
        NoBus, // none, none reachable, or none that answers (it then counts as none from now on)
        Quit, // a quit became pending
        NoReply, // the bus answered, the called service did not, in time
        Error, // the service answered with an error
        Returned,
    } kind;
    std::string error; // an error's name and, after a blank, its text; why there is no bus
};

// Test aid: forgets a bus found mute and the address the probe replaced.
void Reset();

// Sends `call` on a fresh connection and waits for its reply, at most kTimeoutMs in all and never
// once a quit is pending.
Reply Send(const Call &call);

} // namespace session_bus
