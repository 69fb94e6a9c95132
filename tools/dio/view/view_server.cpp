#include "view_server.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <random>
#include <thread>

#include "failure.h"
#include "view_card_watch.h"
#include "view_connections.h"
#include "view_controls.h"
#include "view_page.h"
#include "view_socket.h"

namespace dio {

namespace {

using namespace std::chrono_literals;

constexpr int kMaxEventClients = 32;
constexpr int kWorkerThreads = kMaxEventClients + 8;
constexpr std::size_t kMaxPayload = 1024;
constexpr auto kFrameInterval = 33ms;  // at most 30 updates a second
constexpr auto kPeerCheck = 250ms;     // how soon a closed page's stream ends and frees its place
constexpr auto kKeepAlive = 10s;       // a comment line on an idle stream, for what sits between

// Only names of this machine's loopback interface: a page elsewhere that points a name of its
// own at 127.0.0.1 gets nothing.
bool loopback_host(const std::string& host_header, int port) {
    const std::string suffix = ":" + std::to_string(port);
    for (const char* name : {"127.0.0.1", "localhost", "[::1]"}) {
        if (host_header == name || host_header == name + suffix) return true;
    }
    return false;
}

// The secret a request that changes the card must carry: 128 random bits as hex.
std::string make_token() {
    std::random_device random;
    std::string token;
    for (int i = 0; i < 4; ++i) {
        char part[9];
        std::snprintf(part, sizeof part, "%08x", static_cast<unsigned>(random()));
        token += part;
    }
    return token;
}

// Compares in a time that does not tell how much of a guess was right.
bool same_secret(const std::string& given, const std::string& token) {
    unsigned difference = given.size() ^ token.size();
    for (std::size_t i = 0; i < token.size(); ++i) difference |= (i < given.size() ? given[i] : 0) ^ token[i];
    return difference == 0;
}

// A request that may change the card: the token, and an Origin that is the page's own (the
// scheme and the loopback Host it was asked under). A form or a fetch from any other page sends
// its own origin, or none.
bool trusted_change(const httplib::Request& request, const std::string& token) {
    return same_secret(request.get_header_value("X-Dio-Token"), token) &&
           request.get_header_value("Origin") == "http://" + request.get_header_value("Host");
}

// An event stream: each new state as an event, at most 30 a second; a comment line when the
// card is idle; it ends when the page has gone.
httplib::ContentProviderWithoutLength event_stream(CardWatch& watch) {
    auto seen = std::make_shared<std::uint64_t>(0);
    auto last_sent = std::make_shared<std::chrono::steady_clock::time_point>(std::chrono::steady_clock::now());
    return [&watch, seen, last_sent](std::size_t, httplib::DataSink& sink) {
        for (;;) {
            const std::string json = watch.next(*seen, kPeerCheck);
            const bool idle = std::chrono::steady_clock::now() - *last_sent >= kKeepAlive;
            if (!sink.is_writable()) return false;
            if (json.empty() && !idle) continue;
            const std::string event = json.empty() ? ": idle\n\n" : "data: " + json + "\n\n";
            if (!sink.write(event.data(), event.size())) return false;
            *last_sent = std::chrono::steady_clock::now();
            if (!json.empty()) std::this_thread::sleep_for(kFrameInterval);
            return true;
        }
    };
}

}  // namespace

void serve_view(const ViewOptions& options, Session& session,
                const std::function<void(const std::string&)>& started) {
    std::optional<CardWatch> watch;  // made once the port is had; outlives the server's workers
    ViewHttpServer server(kWorkerThreads);
    server.set_payload_max_length(kMaxPayload);
    const int port = server.bind(options.host, options.port);
    if (port <= 0 && address_was_in_use()) throw Failure("port " + std::to_string(options.port) + " is in use");
    if (port <= 0) throw Failure("cannot listen on " + options.host + " port " + std::to_string(options.port));

    const char* card_path = std::getenv("CH367SIM_CARD");
    watch.emplace(card_path != nullptr ? card_path : "");
    const std::string token = make_token();
    CardControls controls(session);
    std::atomic<int> event_clients = 0;
    server.set_pre_routing_handler([port, &token](const httplib::Request& request, httplib::Response& response) {
        const bool change = request.method == "POST" && request.path.starts_with("/control/");
        if (request.method != "GET" && request.method != "HEAD" && !change) {
            response.status = 405;
            return httplib::Server::HandlerResponse::Handled;
        }
        if (!loopback_host(request.get_header_value("Host"), port)) {
            response.status = 403;
            response.set_content("this page answers only to 127.0.0.1 and localhost\n", "text/plain");
            return httplib::Server::HandlerResponse::Handled;
        }
        if (change && !trusted_change(request, token)) {
            response.status = 403;
            response.set_content("refused: open the page at the URL dio view printed\n", "text/plain");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    for (const EmbeddedFile& file : view_page_files()) {
        const std::string path = file.name == "index.html" ? "/" : "/" + std::string(file.name);
        server.Get(path, [file](const httplib::Request&, httplib::Response& response) {
            response.set_header("Cache-Control", "no-cache");
            response.set_content(file.content.data(), file.content.size(), page_content_type(file.name));
        });
    }
    server.Get("/favicon.ico", [](const httplib::Request&, httplib::Response& response) { response.status = 204; });
    server.Get("/memory", [&watch = *watch](const httplib::Request&, httplib::Response& response) {
        std::uint64_t changes = 0;
        std::shared_ptr<const std::string> memory = watch.memory(changes);
        if (memory == nullptr) {
            response.status = 503;
            response.set_content("the card has not been read yet\n", "text/plain");
            return;
        }
        response.set_header("Cache-Control", "no-store");
        response.set_header("X-Card-Changes", std::to_string(changes));
        // Served from the shared bytes, not a copy per request.
        response.set_content_provider(memory->size(), "application/octet-stream",
                                      [memory](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                          return sink.write(memory->data() + offset, length);
                                      });
    });
    server.Post(R"(/control/(\w+))", [&controls](const httplib::Request& request, httplib::Response& response) {
        const std::string argument = request.has_param("count") ? request.get_param_value("count")
                                                                : request.get_param_value("value");
        const ControlOutcome outcome = controls.perform(request.matches[1].str(), argument);
        response.status = outcome.http_status;
        response.set_header("Cache-Control", "no-store");
        response.set_content(outcome.message.empty() ? "done\n" : outcome.message + "\n", "text/plain");
    });
    server.Get("/state", [&watch = *watch](const httplib::Request&, httplib::Response& response) {
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
        response.set_chunked_content_provider("text/event-stream", event_stream(*watch),
                                              [&event_clients](bool) { --event_clients; });
    });
    started("http://" + options.host + ":" + std::to_string(port) + "/?token=" + token);
    server.listen_after_bind();
}

}  // namespace dio
