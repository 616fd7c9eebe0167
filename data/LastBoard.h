#pragma once

#include <optional>
#include <string>

// The board that answered last, kept as its address in a file of one line,
// "board", in the user's configuration folder ($XDG_CONFIG_HOME/tunevo, or
// ~/.config/tunevo): the first tried at the next start when none is named.
std::string LastBoardFile();
std::optional<std::string> ReadLastBoard();
// Replaces the file whole; false (and nothing changed) when it cannot.
bool RememberLastBoard(const std::string& strAddress);
