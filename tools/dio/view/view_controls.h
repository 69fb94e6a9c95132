// What the view's page may do to the card: the run controls and a write of the I/O lines, sent
// through the card library's exports on the view's own master handle, as dio's commands send them.
#pragma once

#include <mutex>
#include <string>
#include <string_view>

#include "session.h"

namespace dio {

struct ControlOutcome {
    int http_status;      // 200 when done; 400 for a malformed argument or an unknown action
    std::string message;  // what went wrong, empty when done
};

class CardControls {
public:
    // Opens the card in `session` on the first action, not before: a view that is only watched
    // sends nothing to the card.
    explicit CardControls(Session& session) : session_(session) {}

    // `action` is arm, trigger, pause, halt, step (argument: the count) or io (argument: the
    // value, decimal or 0x hex).
    ControlOutcome perform(std::string_view action, std::string_view argument);

private:
    Session& session_;
    std::mutex mutex_;  // one action at a time on the handle
};

}  // namespace dio
