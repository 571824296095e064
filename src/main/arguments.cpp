#include "main/arguments.h"

#include <algorithm>

namespace qo {
namespace {

char fold_ascii_upper(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

bool argument_matches(std::string_view argument, std::string_view word) {
    if (argument.size() != word.size()) return false;
    for (std::size_t i = 0; i < argument.size(); ++i) {
        if (fold_ascii_upper(argument[i]) != word[i]) return false;
    }
    return true;
}

bool has_teste_flag(const std::vector<std::string>& arguments) {
    return std::ranges::any_of(arguments, [](const std::string& a) { return argument_matches(a, "--teste"); });
}

}  // namespace qo
