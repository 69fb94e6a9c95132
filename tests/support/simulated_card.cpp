#include "simulated_card.h"

std::vector<Transaction> logged_transactions() {
    std::vector<Transaction> result;
    ch367sim_transaction t{};
    for (std::size_t i = 0; ch367sim_get_transaction(i, &t) != 0; ++i) {
        result.push_back({t.device, t.lines, t.success != 0,
                          std::vector<std::uint8_t>(t.out, t.out + t.count),
                          std::vector<std::uint8_t>(t.in, t.in + t.read_count)});
    }
    return result;
}

std::vector<std::vector<std::uint8_t>> sent_frames() {
    std::vector<std::vector<std::uint8_t>> frames;
    for (auto& t : logged_transactions()) frames.push_back(std::move(t.out));
    return frames;
}

std::uint64_t register_accesses() {
    const ch367sim_counters c = ch367sim_get_counters();
    return c.register_reads + c.register_writes;
}

std::vector<ch367sim_register_access> register_trace() {
    std::vector<ch367sim_register_access> result;
    ch367sim_register_access a{};
    for (std::size_t i = 0; ch367sim_get_register_access(i, &a) != 0; ++i) result.push_back(a);
    return result;
}

int panel_level(int x, int y) {
    const std::uint8_t byte = ch367sim_display_memory()[y * 128 + x / 2];
    return x % 2 == 0 ? byte >> 4 : byte & 0x0F;
}

void SimulatedCard::SetUp() {
    ch367sim_reset();
    // A pattern moves only when a test says so.
    ch367sim_pg_set_clock(CH367SIM_PG_CLOCK_TEST);
    DioInitialize(nullptr, &card, &status);
    ASSERT_EQ(status, DIO_OK);
    ch367sim_clear_log();
    ch367sim_clear_register_trace();
}

void SimulatedCard::TearDown() {
    DioClose(card);
    ch367sim_reset();
}
