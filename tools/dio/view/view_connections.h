// dio view's HTTP server: cpp-httplib's parsing and routing, with connections of its own making.
// A connection waits for its request in one reader thread, not in a worker, and has a few
// seconds to send it whole; only a whole request goes to a worker. So clients that send slowly,
// or open connections and send nothing, hold no worker, and a request that arrives whole is
// answered at once however many of them there are.
#pragma once

#include <httplib.h>

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "view_socket.h"

namespace dio {

// How long a connection may take to send a whole request, from the moment it waits for one.
inline constexpr std::chrono::seconds kViewRequestDeadline{3};

class ViewHttpServer : public httplib::Server {
public:
    explicit ViewHttpServer(std::size_t workers);
    ~ViewHttpServer() override;

    // Listens on `port` (0: a free one), which no other socket may share; the port, or -1 when
    // it can't be had (address_was_in_use() tells whether it is taken).
    int bind(const std::string& host, int port);

private:
    struct Waiting {
        socket_t socket;
        std::string received;  // what came so far: a request's start, or more than one
        ViewClock::time_point deadline;
    };

    // Called by the listening thread for each accepted connection: hands it to the reader.
    bool process_and_close_socket(socket_t socket) override;
    void wait_for_request(socket_t socket, std::string received);
    void read_requests();
    void answer(Waiting connection);

    std::unique_ptr<httplib::ThreadPool> workers_;
    std::mutex mutex_;
    std::vector<Waiting> arrived_;  // handed over, not yet taken by the reader
    PollWakeup arrival_;            // woken for each one
    bool stopping_ = false;
    std::thread reader_;
};

}  // namespace dio
