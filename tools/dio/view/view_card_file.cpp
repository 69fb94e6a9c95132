#include "view_card_file.h"

#include <sys/stat.h>

#include <cerrno>

#include "ch367sim.h"

namespace dio {

namespace {

struct Identity {
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;  // 0 on Windows, which then tells only a missing file
    std::uint64_t size = 0;
    std::time_t modified = 0;
};

Identity identity_of(const std::string& path) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) return {};
    return {true, static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
            static_cast<std::uint64_t>(status.st_size), status.st_mtime};
}

}  // namespace

CardFileWatch::CardFileWatch(std::string path) : path_(std::move(path)) {
    const Identity now = identity_of(path_);
    device_ = now.device;
    inode_ = now.inode;
    modified_ = now.modified;
}

CardFileState CardFileWatch::look(bool& written) {
    const Identity now = identity_of(path_);
    written = now.exists && now.modified != modified_;
    if (now.exists) modified_ = now.modified;
    if (!now.exists) return CardFileState::kGone;
    if (now.device != device_ || now.inode != inode_) return CardFileState::kReplaced;
    if (now.size < sizeof(ch367sim_card_state)) return CardFileState::kTruncated;
    return CardFileState::kPresent;
}

bool CardFileWatch::whole() const {
    const Identity now = identity_of(path_);
    return !now.exists || now.device != device_ || now.inode != inode_ ||
           now.size >= sizeof(ch367sim_card_state);
}

// The holder as the card's lock word shows it, read from the file without waiting for the lock:
// the only place here that knows the lock's layout. The word is the owner's process id,
// little-endian, in the first bytes of the record's lock field, on every platform.
std::string card_file_problem(CardFileState state, const std::string& path) {
    switch (state) {
        case CardFileState::kPresent: return {};
        case CardFileState::kGone:
            return "the card file " + path + " is gone: this is the card as it was when it went";
        case CardFileState::kReplaced:
            return "the card file " + path + " was replaced by another file: this is the card of the "
                   "file that was there (start dio view again to watch the new one)";
        case CardFileState::kTruncated:
            return "the card file " + path + " was cut short: the card is lost";
        case CardFileState::kLost:
            return "the card in " + path + " can no longer be read: the card is lost";
    }
    return {};
}

}  // namespace dio
