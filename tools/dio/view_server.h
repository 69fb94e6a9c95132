// `dio view`: a web server on the loopback address that shows the simulated card live. It only
// reads the card: no request changes it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace dio {

struct ViewOptions {
    int port = 0;  // 0: a free port
    std::string host = "127.0.0.1";
};

// Serves the page until the process ends; calls `started` with the page's URL once listening.
// Throws a Failure when the port can't be had ("port N is in use" when another socket has it).
void serve_view(const ViewOptions& options, const std::function<void(const std::string&)>& started);

}  // namespace dio
