// The few socket operations dio view's connections need beyond cpp-httplib, the same on Linux
// and Windows: waiting for a socket with a limit, reading, writing, and noticing that the peer
// has closed its end.
#pragma once

#include <httplib.h>

#ifdef _WIN32
#include <winsock2.h>
#else
#include <poll.h>
#endif

#include <chrono>
#include <cstddef>
#include <string>

namespace dio {

using ViewClock = std::chrono::steady_clock;

enum class SocketWait { kRead, kWrite };

// poll() over `count` entries; the number ready, 0 after `milliseconds`, -1 on an error.
int poll_sockets(pollfd* entries, std::size_t count, int milliseconds);
// True when the socket can be read (or written) before `until`.
bool wait_for_socket(socket_t socket, SocketWait direction, ViewClock::time_point until);
// Bytes read (0: the peer closed its end), or -1 on an error.
long receive_some(socket_t socket, char* buffer, std::size_t size);
// Bytes written, or -1 on an error; never raises SIGPIPE.
long send_some(socket_t socket, const char* data, std::size_t size);
// True when the peer has closed the connection or reset it; never waits.
bool peer_has_closed(socket_t socket);
// "address", port of either end.
void socket_address(socket_t socket, bool remote, std::string& address, int& port);
void close_socket(socket_t socket);
// Options for a listening socket that this process alone may use: see view_socket.cpp.
void use_port_alone(socket_t socket);
// Lets the listening socket hold as many connections not yet accepted as the system allows.
void widen_backlog(socket_t socket);
// After a failed bind: whether it failed because the address and port are taken.
bool address_was_in_use();

// A socket that poll() finds readable after wake(), so that a thread waiting in poll() can be
// woken: a UDP socket on the loopback address that sends to itself.
class PollWakeup {
public:
    PollWakeup();
    ~PollWakeup();
    PollWakeup(const PollWakeup&) = delete;
    PollWakeup& operator=(const PollWakeup&) = delete;

    socket_t socket() const { return socket_; }
    void wake();
    void drain();  // takes what wake() sent

private:
    socket_t socket_;
};

}  // namespace dio
