// One dio session: a command line, or a whole script run by `dio run`. The card is opened on the
// first command that needs it and closed when the session ends, so the state of the card and the
// frame buffer in its master handle last from one script line to the next.
#pragma once

#include <string>
#include <vector>

#include "QuorvelWCHDLL.h"

namespace dio {

// Work left for the end of a session, e.g. sending the frame buffer.
struct Flush {
    void (*run)(DioMasterHandle* card);
    const char* left_undone;  // what is lost when it does not run
};

class Session {
public:
    Session() = default;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;
    ~Session();

    // The open card; opens it on first use. Throws the open's status message when it fails.
    DioMasterHandle* card();

    // Registers the flush for the end of the session, replacing any earlier one.
    void defer_flush(const Flush& flush) { pending_ = &flush; }
    // Forgets the pending flush (its work has been done some other way, or is given up).
    void cancel_flush() { pending_ = nullptr; }
    // The pending flush, or null.
    const Flush* pending_flush() const { return pending_; }

    // Ends the session: runs the pending flush on the open card.
    void finish();

    // Marks where the session is while it lives ("script.dio:3", then "oled bitmap"), for the
    // warnings of what runs there.
    class Place {
    public:
        Place(Session& session, std::string name) : session_(session) {
            session_.places_.push_back(std::move(name));
        }
        Place(const Place&) = delete;
        Place& operator=(const Place&) = delete;
        ~Place() { session_.places_.pop_back(); }

    private:
        Session& session_;
    };

    // Prints "dio: PLACE: warning: MESSAGE" on standard error: the command goes on.
    void warn(const std::string& message) const;

private:
    DioMasterHandle* card_ = nullptr;
    const Flush* pending_ = nullptr;
    std::vector<std::string> places_;
};

}  // namespace dio
