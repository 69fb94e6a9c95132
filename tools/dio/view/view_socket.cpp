#include "view_socket.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#endif

#include <algorithm>
#include <cstdlib>

namespace dio {

namespace {

#ifdef _WIN32
bool would_block() {
    const int error = WSAGetLastError();
    return error == WSAEWOULDBLOCK || error == WSAEINTR;
}
constexpr int kSendFlags = 0;
#else
bool would_block() { return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR; }
constexpr int kSendFlags = MSG_NOSIGNAL;
#endif

int poll_one(pollfd* entry, int milliseconds) { return poll_sockets(entry, 1, milliseconds); }

}  // namespace

int poll_sockets(pollfd* entries, std::size_t count, int milliseconds) {
#ifdef _WIN32
    return WSAPoll(entries, static_cast<ULONG>(count), milliseconds);
#else
    return poll(entries, static_cast<nfds_t>(count), milliseconds);
#endif
}

bool wait_for_socket(socket_t socket, SocketWait direction, ViewClock::time_point until) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(until - ViewClock::now());
        pollfd entry{};
        entry.fd = socket;
        entry.events = direction == SocketWait::kRead ? POLLIN : POLLOUT;
        const int ready = poll_one(&entry, static_cast<int>(std::max<long long>(left.count(), 0)));
        if (ready > 0) return true;
        if (ready == 0 || !would_block() || left.count() <= 0) return false;
    }
}

long receive_some(socket_t socket, char* buffer, std::size_t size) {
    return static_cast<long>(recv(socket, buffer, static_cast<int>(size), 0));
}

long send_some(socket_t socket, const char* data, std::size_t size) {
    return static_cast<long>(send(socket, data, static_cast<int>(size), kSendFlags));
}

bool peer_has_closed(socket_t socket) {
    pollfd entry{};
    entry.fd = socket;
    entry.events = POLLIN;
    if (poll_one(&entry, 0) <= 0) return false;
    if ((entry.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0 && (entry.revents & POLLIN) == 0) return true;
    char byte = 0;
    const auto peeked = recv(socket, &byte, 1, MSG_PEEK);
    return peeked == 0 || (peeked < 0 && !would_block());
}

void socket_address(socket_t socket, bool remote, std::string& address, int& port) {
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    auto* name = reinterpret_cast<sockaddr*>(&storage);
    const int got = remote ? getpeername(socket, name, &length) : getsockname(socket, name, &length);
    char host[NI_MAXHOST] = {};
    char service[NI_MAXSERV] = {};
    if (got != 0 || getnameinfo(name, length, host, sizeof host, service, sizeof service,
                                NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
        return;
    }
    address = host;
    port = std::atoi(service);
}

// No SO_REUSEPORT (on Linux it would let a second view share the port) and, on Windows, no
// SO_REUSEADDR (which lets a socket take over a port in use). SO_REUSEADDR stays on Linux, where it
// only lets a new view listen at once on the port of one that has just ended.
void use_port_alone(socket_t socket) {
    int yes = 1;
#ifdef _WIN32
    setsockopt(socket, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes), sizeof yes);
#else
    setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
#endif
}

// cpp-httplib listens with a backlog of 5: a burst of page loads overflows it, and each dropped
// connection waits a second for its retry.
void widen_backlog(socket_t socket) { listen(socket, SOMAXCONN); }

bool address_was_in_use() {
#ifdef _WIN32
    return WSAGetLastError() == WSAEADDRINUSE;
#else
    return errno == EADDRINUSE;
#endif
}

void close_socket(socket_t socket) {
#ifdef _WIN32
    shutdown(socket, SD_BOTH);
    closesocket(socket);
#else
    shutdown(socket, SHUT_RDWR);
    close(socket);
#endif
}

PollWakeup::PollWakeup() : socket_(::socket(AF_INET, SOCK_DGRAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    auto* name = reinterpret_cast<sockaddr*>(&address);
    if (socket_ == INVALID_SOCKET || ::bind(socket_, name, length) != 0 ||
        getsockname(socket_, name, &length) != 0 || connect(socket_, name, length) != 0) {
        return;  // poll() then sees nothing: the waiter wakes only at its time limit
    }
#ifdef _WIN32
    u_long non_blocking = 1;
    ioctlsocket(socket_, FIONBIO, &non_blocking);
#else
    fcntl(socket_, F_SETFL, fcntl(socket_, F_GETFL) | O_NONBLOCK);
#endif
}

PollWakeup::~PollWakeup() {
    if (socket_ != INVALID_SOCKET) close_socket(socket_);
}

void PollWakeup::wake() {
    const char byte = 0;
    send_some(socket_, &byte, 1);  // a full buffer means a wake-up is pending already
}

void PollWakeup::drain() {
    char buffer[64];
    while (receive_some(socket_, buffer, sizeof buffer) > 0) {
    }
}

}  // namespace dio
