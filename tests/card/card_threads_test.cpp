// Two threads of one process on one card, private or shared (the test runs once with
// CH367SIM_CARD naming a card file and once without): each loads blocks of its own into the
// pattern generator's memories and reads them back, with a master handle each or with one
// handle whose calls the test serialises. Every block must come back as it was loaded.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "QuorvelWCHDLL.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint32_t kBlockWords = 2048;

double test_seconds() {
    const char* text = std::getenv("CH367SIM_THREADS_SECONDS");
    return text != nullptr ? std::atof(text) : 3.0;
}

// Serialises the calls of the threads in the order they ask: a plain mutex lets the thread
// that just released it take it again, and on a shared card, whose calls are slow, the other
// thread can then wait for the whole test.
class TakingTurns {
public:
    template <class Call>
    void run(Call&& call) {
        std::unique_lock<std::mutex> lock(mutex_);
        const unsigned ticket = next_ticket_++;
        turn_changed_.wait(lock, [&] { return serving_ == ticket; });
        lock.unlock();  // the other thread takes its ticket while this one calls
        call();
        lock.lock();
        ++serving_;
        turn_changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable turn_changed_;
    unsigned next_ticket_ = 0;
    unsigned serving_ = 0;
};

// The calls one thread makes on `card`, each in its turn when `serialise` is given.
struct Transfers {
    DioMasterHandle* card;
    TakingTurns* serialise;

    template <class Call>
    void run(Call&& call) const {
        if (serialise == nullptr) return call();
        serialise->run(call);
    }
};

// Loads and reads back blocks in thread `index`'s own part of both memories until `end`;
// returns the blocks that came back wrong, and counts the rounds done.
unsigned load_and_read_back(const Transfers& transfers, std::uint32_t index, Clock::time_point end,
                            unsigned& rounds) {
    std::vector<std::uint32_t> block(kBlockWords), read_back(kBlockWords);
    const std::uint32_t start = index * kBlockWords;
    unsigned wrong = 0;
    for (rounds = 0; Clock::now() < end; ++rounds) {
        for (std::uint32_t i = 0; i < kBlockWords; ++i) block[i] = (index << 28) ^ (rounds << 12) ^ i;
        const bool control = rounds % 2 == 0;
        std::int16_t status = 0;
        transfers.run([&] {
            (control ? DioWriteCtrlMemory : DioWriteOutMemory)(transfers.card, block.data(), start,
                                                               kBlockWords, &status);
        });
        std::fill(read_back.begin(), read_back.end(), 0u);
        transfers.run([&] {
            (control ? DioReadCtrlMemory : DioReadOutMemory)(transfers.card, read_back.data(), start,
                                                             kBlockWords, &status);
        });
        if (status != static_cast<std::int16_t>(4 * kBlockWords) || read_back != block) ++wrong;
    }
    return wrong;
}

enum class Handles { one_each, one_shared };

class CardThreads : public ::testing::TestWithParam<Handles> {};

TEST_P(CardThreads, TwoThreadsKeepEveryTransferWhole) {
    std::int16_t status = 0;
    DioMasterHandle* shared = nullptr;
    DioInitialize(nullptr, &shared, &status);
    ASSERT_EQ(status, DIO_OK);
    TakingTurns serialise;
    const Clock::time_point end =
        Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(test_seconds()));
    std::atomic<unsigned> wrong = 0;
    unsigned rounds[2] = {};
    // Closing a handle closes the bridge for the whole process: the handles are closed when
    // both threads are done.
    DioMasterHandle* own[2] = {};
    std::vector<std::thread> threads;
    for (std::uint32_t index = 0; index < 2; ++index) {
        threads.emplace_back([&, index] {
            Transfers transfers{shared, &serialise};
            if (GetParam() == Handles::one_each) {
                std::int16_t own_status = 0;
                DioInitialize(nullptr, &own[index], &own_status);
                transfers = {own[index], nullptr};
            }
            wrong += load_and_read_back(transfers, index, end, rounds[index]);
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (DioMasterHandle* card : own) DioClose(card);
    DioClose(shared);
    EXPECT_EQ(wrong.load(), 0u) << "blocks came back other than loaded";
    EXPECT_GE(rounds[0], 10u);
    EXPECT_GE(rounds[1], 10u);
}

INSTANTIATE_TEST_SUITE_P(Handles, CardThreads,
                         ::testing::Values(Handles::one_each, Handles::one_shared),
                         [](const auto& info) {
                             return std::string(info.param == Handles::one_each ? "OneEach" : "OneShared");
                         });

}  // namespace
