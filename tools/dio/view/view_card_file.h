// The card file dio view shows, watched at its path. The simulator maps the file it opened for
// the process's life, so when the path comes to name another file (deleted and made again,
// moved over) the view cannot follow it; it says so instead. A file cut short can't be read
// through the mapping at all, so the view stops reading the card while the file is short.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace dio {

// kLost: the simulator itself could no longer read the card (it never comes from look()).
enum class CardFileState { kPresent, kGone, kReplaced, kTruncated, kLost };

class CardFileWatch {
public:
    // Takes the identity of the file at `path` now: open the card before.
    explicit CardFileWatch(std::string path);

    const std::string& path() const { return path_; }
    // What is at the path now, against the file that was there at the start. `written` is set
    // when the file's modification time moved since the last look.
    CardFileState look(bool& written);
    // True when the file at the path is the card's file, whole: the mapping can be read.
    bool whole() const;

private:
    std::string path_;
    std::uint64_t device_ = 0;
    std::uint64_t inode_ = 0;
    std::time_t modified_ = 0;
};

// A sentence for the page and the JSON: what happened to the file, or empty when present.
std::string card_file_problem(CardFileState state, const std::string& path);

}  // namespace dio
