// `dio view`: a web server on the loopback address that shows the simulated card live, and runs
// it from the page. GET never changes the card; a POST to /control/ACTION does, when it carries
// the run's secret token (made at start, given in the page's URL as ?token=) and comes from the
// view's own origin on a loopback name.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "session.h"

namespace dio {

struct ViewOptions {
    int port = 0;  // 0: a free port
    std::string host = "127.0.0.1";
};

// Serves the page until the process ends; calls `started` with the page's URL, token included,
// once listening. The controls open the card in `session` on first use. Throws a Failure when the
// port can't be had ("port N is in use" when another socket has it).
void serve_view(const ViewOptions& options, Session& session,
                const std::function<void(const std::string&)>& started);

}  // namespace dio
