// A progress bar on standard error for long memory transfers, drawn only when standard error is
// a terminal, so scripts and logs see nothing of it.
#pragma once

#include <cstdint>
#include <string>

namespace dio {

class ProgressBar {
public:
    // total: the number of units (words) the transfer moves.
    ProgressBar(std::string label, std::uint64_t total);
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;
    ~ProgressBar();

    void show(std::uint64_t done);

private:
    std::string label_;
    std::uint64_t total_;
    bool visible_;
};

}  // namespace dio
