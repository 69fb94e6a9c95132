// Which thread of the process works on the card. A thread takes the card at its first access
// and keeps it until the card is idle again, so that a command runs whole, as between processes.
//
// While only one thread has ever used the card, its accesses pass with no atomic operation at
// all: it marks each access with a plain store, and a second thread that comes along puts the
// gate into its locked form through a process-wide memory barrier, which a thread in the middle
// of an access cannot miss. From then on a thread takes the gate once per command, and once per
// access made outside a command.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace ch367sim {

#ifdef _WIN32
#define CH367SIM_FAST_TLS
#else
// The simulator is a shared library: the initial-exec model makes this one flag a plain load.
#define CH367SIM_FAST_TLS __attribute__((tls_model("initial-exec")))
#endif
// True in the thread that has used the card alone so far.
extern constinit thread_local bool this_thread_is_sole CH367SIM_FAST_TLS;

class ThreadGate {
public:
    // Runs `work`, an access to the card, as the thread that has the card. `idle` says whether
    // the card is idle, and so is let go after the access.
    template <class Work, class Idle>
    auto pass(Work&& work, Idle&& idle) {
        if (sole_thread_enters()) [[likely]] {
            auto result = work();
            sole_thread_leaves();
            return result;
        }
        return pass_locked(work, idle);
    }

    // The sole thread's way in and out, in two halves for callers that must keep `work` inline:
    // when sole_thread_enters() is true the caller makes its access, then calls
    // sole_thread_leaves(); otherwise it goes through pass_locked().
    bool sole_thread_enters() {
        if (!this_thread_is_sole) return false;
        in_access_.store(true, std::memory_order_relaxed);
        // Only the compiler is kept from reordering: the thread that locks the gate runs the
        // barrier that orders this store before the load below on every processor.
        std::atomic_signal_fence(std::memory_order_seq_cst);
        if (!locked_.load(std::memory_order_relaxed)) return true;
        in_access_.store(false, std::memory_order_release);
        return false;
    }
    void sole_thread_leaves() { in_access_.store(false, std::memory_order_release); }

    template <class Work, class Idle>
    auto pass_locked(Work& work, Idle& idle) {
        while (holder_.load(std::memory_order_relaxed) != this_thread()) {
            if (enter([&idle] { return idle(); })) break;
            if (sole_thread_enters()) {
                auto result = work();
                sole_thread_leaves();
                return result;
            }
        }
        auto result = work();
        if (idle()) leave();
        return result;
    }

private:
    // The token of the calling thread: the address of its own flag.
    static std::uintptr_t this_thread() { return reinterpret_cast<std::uintptr_t>(&this_thread_is_sole); }

    // Makes the calling thread the sole one (false: go round again) or the card's holder (true),
    // waiting while another thread holds it. `card_idle` is asked only while no thread works on
    // the card.
    template <class Idle>
    bool enter(Idle&& card_idle) {
        std::unique_lock<std::mutex> lock(mutex_);
        if (!locked_.load(std::memory_order_relaxed)) {
            if (!sole_claimed_) {
                sole_claimed_ = true;
                sole_thread_ = this_thread();
                this_thread_is_sole = true;
                return false;
            }
            lock_gate();
            // The sole thread keeps a command it is in the middle of.
            holder_.store(card_idle() ? 0 : sole_thread_, std::memory_order_relaxed);
        }
        ++waiting_;
        // A card let go of while threads waited goes to one of them (see leave()), not to the
        // thread that let go of it and comes straight back.
        const std::uint64_t arrived = hand_overs_;
        free_.wait(lock, [this, arrived] {
            const std::uintptr_t holder = holder_.load(std::memory_order_relaxed);
            return holder == this_thread() || (holder == 0 && (!handing_over_ || arrived < hand_overs_));
        });
        --waiting_;
        handing_over_ = false;
        holder_.store(this_thread(), std::memory_order_relaxed);
        return true;
    }
    void leave();
    // Puts the gate into its locked form and waits for the sole thread to finish its access.
    void lock_gate();

    std::atomic<bool> locked_{false};
    std::atomic<bool> in_access_{false};  // the sole thread is within an access
    std::atomic<std::uintptr_t> holder_{0};
    std::mutex mutex_;
    std::condition_variable free_;
    bool sole_claimed_ = false;       // under mutex_
    std::uintptr_t sole_thread_ = 0;  // under mutex_
    unsigned waiting_ = 0;            // under mutex_
    bool handing_over_ = false;       // under mutex_: let go of to the threads waiting then
    std::uint64_t hand_overs_ = 0;    // under mutex_: how often the card was handed over
};

}  // namespace ch367sim
