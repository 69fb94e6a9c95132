// `dio view` in a build without its web server (the Windows build: Debian's cpp-httplib is a
// Linux library). The command exists and says why it can't serve.
#include "failure.h"
#include "view_server.h"

namespace dio {

void serve_view(const ViewOptions&, const std::function<void(const std::string&)>&) {
    throw Failure("the live view is not part of this build of dio; run dio view on Linux");
}

}  // namespace dio
