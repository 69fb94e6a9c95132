#include "view_controls.h"

#include <cstdint>
#include <optional>

#include "failure.h"
#include "numbers.h"

namespace dio {

namespace {

std::optional<std::uint64_t> parse_number(std::string_view text, std::uint64_t max) {
    const bool hex = text.starts_with("0x") || text.starts_with("0X");
    return parse_digits(text, hex ? 16 : 10, max);
}

}  // namespace

ControlOutcome CardControls::perform(std::string_view action, std::string_view argument) {
    std::lock_guard<std::mutex> guard(mutex_);
    try {
        if (action == "arm") {
            check_flag(DioArm(session_.card()));
        } else if (action == "trigger") {
            check_flag(DioTrig(session_.card()));
        } else if (action == "pause") {
            check_flag(DioPause(session_.card()));
        } else if (action == "halt") {
            check_flag(DioHalt(session_.card()));
        } else if (action == "step") {
            const auto count = parse_number(argument, INT32_MAX);
            if (!count) return {400, "step: the count must be a number from 1 to 2147483647"};
            std::int16_t status = DIO_OK;
            DioStep(session_.card(), static_cast<std::int32_t>(*count), &status);
            check_status(status);
        } else if (action == "io") {
            const auto value = parse_number(argument, UINT32_MAX);
            if (!value) return {400, "io: the value must be a 32-bit number, decimal or 0x hex"};
            check_flag(DioWriteCurrentIO(session_.card(), static_cast<std::uint32_t>(*value)));
        } else {
            return {400, "no such control: " + std::string(action)};
        }
    } catch (const Failure& failure) {
        return {500, failure.what()};
    }
    return {200, {}};
}

}  // namespace dio
