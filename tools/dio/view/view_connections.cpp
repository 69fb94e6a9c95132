#include "view_connections.h"

#include <algorithm>
#include <cstring>

namespace dio {

namespace {

using namespace std::chrono_literals;

constexpr auto kWriteTimeout = 5s;
constexpr auto kReaderSlice = 100ms;  // the reader's longest poll()
constexpr std::size_t kMaxHeadBytes = 16 * 1024;
constexpr std::size_t kMaxWaiting = 512;  // beyond that, the longest-waiting connection goes

// Runs each accepted connection's task at once, on the listening thread: the task only hands
// the connection over to the reader.
class HandOver final : public httplib::TaskQueue {
public:
    void enqueue(std::function<void()> task) override { task(); }
    void shutdown() override {}
};

bool has_whole_head(const std::string& received) {
    return received.find("\r\n\r\n") != std::string::npos || received.find("\n\n") != std::string::npos;
}

// A best-effort answer to a connection that is given up on; it is closed right after.
void send_refusal(socket_t socket, const char* status) {
    const std::string answer = std::string("HTTP/1.1 ") + status +
                               "\r\nConnection: close\r\nContent-Length: 0\r\n\r\n";
    if (wait_for_socket(socket, SocketWait::kWrite, ViewClock::now())) {
        send_some(socket, answer.data(), answer.size());
    }
}

// One request's connection as cpp-httplib reads and writes it: first what the reader received,
// then the socket, every read by the request's deadline. A peer that has closed its end is not
// writable, so an event stream to a closed page ends as soon as it looks.
class RequestStream final : public httplib::Stream {
public:
    RequestStream(socket_t socket, std::string received, ViewClock::time_point deadline)
        : socket_(socket), received_(std::move(received)), deadline_(deadline) {}

    bool is_readable() const override {
        return offset_ < received_.size() || wait_for_socket(socket_, SocketWait::kRead, deadline_);
    }
    bool is_writable() const override {
        return !peer_has_closed(socket_) &&
               wait_for_socket(socket_, SocketWait::kWrite, ViewClock::now() + kWriteTimeout);
    }
    ssize_t read(char* buffer, size_t size) override {
        if (offset_ < received_.size()) {
            const std::size_t count = std::min(size, received_.size() - offset_);
            std::memcpy(buffer, received_.data() + offset_, count);
            offset_ += count;
            return static_cast<ssize_t>(count);
        }
        if (!wait_for_socket(socket_, SocketWait::kRead, deadline_)) return -1;
        return receive_some(socket_, buffer, size);
    }
    ssize_t write(const char* data, size_t size) override {
        if (!wait_for_socket(socket_, SocketWait::kWrite, ViewClock::now() + kWriteTimeout)) return -1;
        return send_some(socket_, data, size);
    }
    void get_remote_ip_and_port(std::string& ip, int& port) const override {
        socket_address(socket_, true, ip, port);
    }
    void get_local_ip_and_port(std::string& ip, int& port) const override {
        socket_address(socket_, false, ip, port);
    }
    socket_t socket() const override { return socket_; }

    // What was received beyond the request: the start of the next one.
    std::string unread() const { return received_.substr(offset_); }

private:
    socket_t socket_;
    std::string received_;
    std::size_t offset_ = 0;
    ViewClock::time_point deadline_;
};

}  // namespace

ViewHttpServer::ViewHttpServer(std::size_t workers)
    : workers_(std::make_unique<httplib::ThreadPool>(workers)) {
    new_task_queue = [] { return new HandOver; };
    set_socket_options(use_port_alone);
    set_keep_alive_timeout(std::chrono::duration_cast<std::chrono::seconds>(kViewRequestDeadline).count());
    reader_ = std::thread([this] { read_requests(); });
}

ViewHttpServer::~ViewHttpServer() {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        stopping_ = true;
    }
    arrival_.wake();
    reader_.join();
    workers_->shutdown();
    for (const Waiting& connection : arrived_) close_socket(connection.socket);
}

int ViewHttpServer::bind(const std::string& host, int port) {
    const int bound = port == 0 ? bind_to_any_port(host) : (bind_to_port(host, port) ? port : -1);
    if (bound > 0) widen_backlog(svr_sock_);
    return bound;
}

bool ViewHttpServer::process_and_close_socket(socket_t socket) {
    wait_for_request(socket, {});
    return true;
}

void ViewHttpServer::wait_for_request(socket_t socket, std::string received) {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        arrived_.push_back({socket, std::move(received), ViewClock::now() + kViewRequestDeadline});
    }
    arrival_.wake();
}

void ViewHttpServer::read_requests() {
    std::vector<Waiting> waiting;
    std::vector<pollfd> entries;
    char buffer[4096];
    for (;;) {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            if (stopping_) break;
            std::move(arrived_.begin(), arrived_.end(), std::back_inserter(waiting));
            arrived_.clear();
        }
        while (waiting.size() > kMaxWaiting) {
            close_socket(waiting.front().socket);
            waiting.erase(waiting.begin());
        }
        // Whole requests go to the workers; connections out of time or over the size go.
        const auto now = ViewClock::now();
        std::erase_if(waiting, [&](Waiting& connection) {
            if (has_whole_head(connection.received)) {
                workers_->enqueue([this, connection] { answer(connection); });
                return true;
            }
            const bool late = now >= connection.deadline;
            const bool oversized = connection.received.size() > kMaxHeadBytes;
            if (!late && !oversized) return false;
            if (!connection.received.empty()) {
                send_refusal(connection.socket, late ? "408 Request Timeout" : "431 Request Header Fields Too Large");
            }
            close_socket(connection.socket);
            return true;
        });
        // Sleep until a connection sends, one arrives, or the first deadline.
        auto until = now + kReaderSlice;
        entries.assign(1, pollfd{});
        entries[0].fd = arrival_.socket();
        entries[0].events = POLLIN;
        for (const Waiting& connection : waiting) {
            until = std::min(until, connection.deadline);
            pollfd entry{};
            entry.fd = connection.socket;
            entry.events = POLLIN;
            entries.push_back(entry);
        }
        const auto timeout = std::chrono::ceil<std::chrono::milliseconds>(until - now).count();
        if (poll_sockets(entries.data(), entries.size(), static_cast<int>(std::max<long long>(timeout, 0))) <= 0) {
            continue;
        }
        if (entries[0].revents != 0) arrival_.drain();
        for (std::size_t i = 1; i < entries.size(); ++i) {
            if (entries[i].revents == 0) continue;
            Waiting& connection = waiting[i - 1];
            const long count = receive_some(connection.socket, buffer, sizeof buffer);
            if (count > 0) {
                connection.received.append(buffer, static_cast<std::size_t>(count));
            } else {  // closed by the peer before its request was whole
                close_socket(connection.socket);
                connection.socket = INVALID_SOCKET;
            }
        }
        std::erase_if(waiting, [](const Waiting& connection) { return connection.socket == INVALID_SOCKET; });
    }
    for (const Waiting& connection : waiting) close_socket(connection.socket);
}

void ViewHttpServer::answer(Waiting connection) {
    RequestStream stream(connection.socket, std::move(connection.received), connection.deadline);
    bool closed = false;
    if (process_request(stream, false, closed, nullptr) && !closed) {
        wait_for_request(connection.socket, stream.unread());
    } else {
        close_socket(connection.socket);
    }
}

}  // namespace dio
