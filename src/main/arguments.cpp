#include "main/arguments.h"

#include <algorithm>

#include "util/text.h"

namespace qo {

bool argument_matches(std::string_view argument, std::string_view word) {
    if (argument.size() != word.size()) return false;
    for (std::size_t i = 0; i < argument.size(); ++i) {
        if (ascii_lower(argument[i]) != word[i]) return false;
    }
    return true;
}

bool has_teste_flag(const std::vector<std::string>& arguments) {
    return std::ranges::any_of(arguments, [](const std::string& a) { return argument_matches(a, "--teste"); });
}

}  // namespace qo
