#include "session.h"

#include <cstdint>
#include <iostream>

#include "failure.h"

namespace dio {

Session::~Session() { DioClose(card_); }

DioMasterHandle* Session::card() {
    if (card_ != nullptr) return card_;
    DioMasterHandle* opened = nullptr;
    std::int16_t status = 0;
    DioInitialize(nullptr, &opened, &status);
    if (status != DIO_OK) {
        DioClose(opened);
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
