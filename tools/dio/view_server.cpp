#include "view_server.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "failure.h"
#include "simulator_link.h"
#include "view_json.h"
#include "view_page.h"

namespace dio {

namespace {

using namespace std::chrono_literals;

constexpr int kMaxEventClients = 32;
constexpr int kWorkerThreads = kMaxEventClients + 8;
constexpr std::size_t kMaxPayload = 1024;
constexpr auto kFrameInterval = 33ms;   // at most 30 updates a second
constexpr auto kKeepAlive = 10s;        // a comment line, so that a closed tab is noticed

// The newest state as JSON, made once per change by one watcher for every client.
class CardWatch {
public:
    CardWatch()
        : snapshot_(simulator_function<int(ch367sim_card_state*)>("ch367sim_card_snapshot")),
          changes_(simulator_function<std::uint64_t()>("ch367sim_card_changes")),
          card_(std::make_unique<ch367sim_card_state>()) {
        refresh();
        thread_ = std::thread([this] { watch(); });
    }
    ~CardWatch() {
        {
            std::lock_guard<std::mutex> guard(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }

    // The JSON of version > `seen`, waiting up to `timeout` for it; empty when none came.
    std::string next(std::uint64_t& seen, std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, timeout, [&] { return stopping_ || version_ > seen; });
        if (version_ <= seen) return {};
        seen = version_;
        return json_;
    }
    std::string current() {
        std::lock_guard<std::mutex> guard(mutex_);
        return json_;
    }

private:
    void refresh() {
        last_changes_ = changes_();
        snapshot_(card_.get());
        std::string json = card_json(*card_).dump();
        std::lock_guard<std::mutex> guard(mutex_);
        json_ = std::move(json);
        ++version_;
        changed_.notify_all();
    }
    void watch() {
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(mutex_);
                if (changed_.wait_for(lock, kFrameInterval, [this] { return stopping_; })) return;
            }
            if (changes_() != last_changes_) refresh();
        }
    }

    int (*snapshot_)(ch367sim_card_state*);
    std::uint64_t (*changes_)();
    std::unique_ptr<ch367sim_card_state> card_;
    std::uint64_t last_changes_ = 0;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string json_;
    std::uint64_t version_ = 0;
    bool stopping_ = false;
    std::thread thread_;
};

// Only names of this machine's loopback interface: a page elsewhere that points a name of its
// own at 127.0.0.1 gets nothing.
bool loopback_host(const std::string& host_header, int port) {
    const std::string suffix = ":" + std::to_string(port);
    for (const char* name : {"127.0.0.1", "localhost", "[::1]"}) {
        if (host_header == name || host_header == name + suffix) return true;
    }
    return false;
}

}  // namespace

void serve_view(const ViewOptions& options, const std::function<void(const std::string&)>& started) {
    CardWatch watch;
    std::atomic<int> event_clients = 0;
    httplib::Server server;
    server.new_task_queue = [] { return new httplib::ThreadPool(kWorkerThreads); };
    server.set_payload_max_length(kMaxPayload);
    server.set_read_timeout(5, 0);
    server.set_write_timeout(5, 0);
    server.set_keep_alive_max_count(100);
    int port = 0;
    server.set_pre_routing_handler([&port](const httplib::Request& request, httplib::Response& response) {
        if (request.method != "GET" && request.method != "HEAD") {
            response.status = 405;
            return httplib::Server::HandlerResponse::Handled;
        }
        if (!loopback_host(request.get_header_value("Host"), port)) {
            response.status = 403;
            response.set_content("this page answers only to 127.0.0.1 and localhost\n", "text/plain");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server.Get("/", [](const httplib::Request&, httplib::Response& response) {
        response.set_content(view_page().data(), view_page().size(), "text/html; charset=utf-8");
    });
    server.Get("/state", [&watch](const httplib::Request&, httplib::Response& response) {
        response.set_header("Cache-Control", "no-store");
        response.set_content(watch.current(), "application/json");
    });
    server.Get("/events", [&](const httplib::Request&, httplib::Response& response) {
        if (++event_clients > kMaxEventClients) {
            --event_clients;
            response.status = 503;
            response.set_content("too many viewers\n", "text/plain");
            return;
        }
        response.set_header("Cache-Control", "no-store");
        auto seen = std::make_shared<std::uint64_t>(0);
        response.set_chunked_content_provider(
            "text/event-stream",
            [&watch, seen](std::size_t, httplib::DataSink& sink) {
                const std::string json =
                    watch.next(*seen, std::chrono::duration_cast<std::chrono::milliseconds>(kKeepAlive));
                const std::string event = json.empty() ? ": idle\n\n" : "data: " + json + "\n\n";
                if (!sink.is_writable() || !sink.write(event.data(), event.size())) return false;
                std::this_thread::sleep_for(kFrameInterval);
                return true;
            },
            [&event_clients](bool) { --event_clients; });
    });
    port = options.port == 0 ? server.bind_to_any_port(options.host)
                             : (server.bind_to_port(options.host, options.port) ? options.port : -1);
    if (port <= 0) throw Failure("cannot listen on " + options.host + " port " + std::to_string(options.port));
    started("http://" + options.host + ":" + std::to_string(port) + "/");
    server.listen_after_bind();
}

}  // namespace dio
