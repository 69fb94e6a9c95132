#include "progress_bar.h"

#include <cstdio>

#include "terminal.h"

namespace dio {

namespace {
constexpr std::uint64_t kBarWidth = 40;
// Transfers shorter than this finish before a bar could be read.
constexpr std::uint64_t kMinimumWords = 16384;
}  // namespace

ProgressBar::ProgressBar(std::string label, std::uint64_t total)
    : label_(std::move(label)),
      total_(total),
      visible_(total >= kMinimumWords && stderr_is_terminal()) {}

ProgressBar::~ProgressBar() {
    if (visible_) std::fputc('\n', stderr);
}

void ProgressBar::show(std::uint64_t done) {
    if (!visible_) return;
    const std::uint64_t filled = done * kBarWidth / total_;
    std::string bar(filled, '#');
    bar.resize(kBarWidth, ' ');
    std::fprintf(stderr, "\r%s [%s] %3u%% %llu/%llu words", label_.c_str(), bar.c_str(),
                 static_cast<unsigned>(done * 100 / total_), static_cast<unsigned long long>(done),
                 static_cast<unsigned long long>(total_));
    std::fflush(stderr);
}

}  // namespace dio
