#include "display_traffic.h"

#include <gtest/gtest.h>

#include "simulated_card.h"

namespace {
constexpr std::uint8_t kDataMode = 0x40;
}

std::ostream& operator<<(std::ostream& out, const DisplayWrite& write) {
    out << "{row " << int(write.row) << ", column " << int(write.column) << ":" << std::hex;
    for (std::uint8_t byte : write.data) out << ' ' << int(byte);
    return out << std::dec << '}';
}

std::vector<DisplayWrite> display_writes() {
    const auto log = logged_transactions();
    std::vector<DisplayWrite> writes;
    for (std::size_t i = 0; i < log.size(); i += 2) {
        const Transaction& address = log[i];
        if (i + 1 == log.size() || address.device != 1 || address.out.size() != 4 ||
            address.out[0] != 0xB0 || (address.out[2] & 0xF0) != 0x00 ||
            (address.out[3] & 0xF8) != 0x10 || (address.lines & kDataMode) != 0) {
            ADD_FAILURE() << "transaction " << i << " is no address command";
            return writes;
        }
        const Transaction& data = log[i + 1];
        if (data.device != 1 || (data.lines & kDataMode) == 0) {
            ADD_FAILURE() << "transaction " << i + 1 << " is no data transaction";
            return writes;
        }
        writes.push_back({address.out[1],
                          static_cast<std::uint8_t>(address.out[2] | (address.out[3] & 0x07) << 4),
                          data.out});
    }
    EXPECT_EQ(ch367sim_line_register() & kDataMode, 0) << "the link was left in data mode";
    return writes;
}

std::vector<std::uint8_t> frame_buffer(DioMasterHandle* card) {
    ch367sim_clear_log();
    DioSendOLEDBuff(card);
    const auto writes = display_writes();
    ch367sim_clear_log();
    if (writes.size() != 1 || writes[0].row != 0 || writes[0].column != 0 ||
        writes[0].data.size() != 8192) {
        ADD_FAILURE() << "DioSendOLEDBuff sent no whole frame buffer";
        return std::vector<std::uint8_t>(8192);
    }
    return writes[0].data;
}
