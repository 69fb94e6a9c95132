// One dio session: a command line, or a whole script run by `dio run`. The card is opened on the
// first command that needs it and closed when the session ends, so the state of the card and the
// frame buffer in its master handle last from one script line to the next.
#pragma once

#include "QuorvelWCHDLL.h"

namespace dio {

class Session {
public:
    // Work that must reach the card before it is closed (e.g. sending the frame buffer).
    using Flush = void (*)(DioMasterHandle* card);

    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session();

    // The open card; opens it on first use. Throws the open's status message when it fails.
    DioMasterHandle* card();

    // Registers the flush to run when the session ends, replacing any earlier one.
    void defer_flush(Flush flush) { pending_flush_ = flush; }
    // Forgets the pending flush (its work has been done some other way).
    void cancel_flush() { pending_flush_ = nullptr; }

    // Ends the session: runs the pending flush on the open card.
    void finish();

private:
    DioMasterHandle* card_ = nullptr;
    Flush pending_flush_ = nullptr;
};

}  // namespace dio
