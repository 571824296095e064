#pragma once
// Matching command-line words.
#include <string>
#include <string_view>
#include <vector>

namespace qo {

// True when the argument spells the word: the same length in bytes, every byte equal once the ASCII letters
// A-Z of the argument are folded to lower case. Words are written in lower case; nothing else is folded.
bool argument_matches(std::string_view argument, std::string_view word);

// The "--teste" flag, given at any position: the update job then skips the launcher's self-update.
bool has_teste_flag(const std::vector<std::string>& arguments);

}  // namespace qo
