// The card's state record copied out to a card file of its own and back: the safe way to keep a
// card and to bring it back while programs use it. Copying a file over the live card file cuts
// its pages away from every program that has it mapped, which loses the card for them.
#pragma once

#include <string>

#include "card.h"

namespace ch367sim {

// Writes the card as it is now, taken under its lock, to the card file `path` (written beside it
// and renamed into place); the copy's lock is free. False, with `problem` a sentence saying why,
// when it could not be written.
bool save_card(Card& card, const std::string& path, std::string& problem);

// Puts the card held in the card file `path` on the card, under its lock: everything but the
// header, so the live lock stays, and the change count moves on. A command the file holds half
// received ends as it does for a process that went away. Refused (false, `problem`) unless the
// file is a card file of this layout; the card is then left as it was.
bool restore_card(Card& card, const std::string& path, std::string& problem);

}  // namespace ch367sim
