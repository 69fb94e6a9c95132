#include "session.h"

#include <cstdint>
#include <cstdlib>
#include <iostream>

#include "failure.h"
#include "simulator_link.h"

namespace dio {

// Only a session that opened the card calls into the card library: on Windows the library is
// loaded on first use, and a command without the card must not load it.
Session::~Session() {
    if (card_ != nullptr) DioClose(card_);
}

DioMasterHandle* Session::card() {
    if (card_ != nullptr) return card_;
    load_card_library();
    // With the simulator, a card file it refuses is reported as dio's own one-line failure.
    using Call = void();
    using Refusal = const char*();
    if (void* report_myself = find_simulator_function("ch367sim_report_card_refusal_myself")) {
        reinterpret_cast<Call*>(report_myself)();
        const char* card_path = std::getenv("CH367SIM_CARD");
        if (card_path != nullptr && *card_path == '\0') {
            warn("CH367SIM_CARD is empty: the card is this process's own and is lost when it ends");
        }
    }
    DioMasterHandle* opened = nullptr;
    std::int16_t status = 0;
    DioInitialize(nullptr, &opened, &status);
    if (status != DIO_OK) {
        DioClose(opened);
        if (void* refusal = find_simulator_function("ch367sim_card_refusal")) {
            if (const char* reason = reinterpret_cast<Refusal*>(refusal)()) throw Failure(reason);
        }
        fail_with_status(status);
    }
    card_ = opened;
    return card_;
}

void Session::warn(const std::string& message) const {
    std::string line = "dio: ";
    for (const std::string& place : places_) line += place + ": ";
    std::cerr << line << "warning: " << message << '\n';
}

void Session::finish() {
    if (pending_ != nullptr && card_ != nullptr) pending_->run(card_);
    pending_ = nullptr;
}

}  // namespace dio
