#include "card.h"

#include "bridge_registers.h"

namespace ch367sim {

namespace {
constexpr std::uint8_t kFirstExternalDevice = 2;
}  // namespace

Card::Card() {
    bridge.attach(0, &pattern_generator);
    bridge.attach(1, &display);
    OutputRequest request = output_request_from_environment();
    if (request.any()) {
        outputs = std::make_unique<OutputSet>(std::move(request), bridge.register_value(kLines));
        bridge.set_observer(outputs.get());
    }
}

void Card::reset() {
    for (std::size_t i = kFirstExternalDevice; i < Bridge::kDeviceCount; ++i) {
        bridge.attach(i, nullptr);
        external[i].reset();
    }
    bridge.reset();
    if (outputs) outputs->restart(bridge.register_value(kLines));
}

bool Card::attach_external(std::uint8_t index, const ch367sim_device* device) {
    if (index < kFirstExternalDevice || index >= Bridge::kDeviceCount) return false;
    bridge.attach(index, nullptr);
    external[index].reset();
    if (device != nullptr) {
        external[index].emplace(*device);
        bridge.attach(index, &*external[index]);
    }
    return true;
}

Card& card() {
    static Card& instance = *new Card;
    return instance;
}

}  // namespace ch367sim
