#pragma once
// The headless tool modes, chosen by the first command-line argument.
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qo {

// A tool mode gets the whole argument list (its word first) and returns the process's exit code.
using ToolModeRun = int (*)(const std::vector<std::string>& arguments);

struct ToolMode {
    std::string_view word;        // the first argument that selects the mode (lower case)
    std::size_t min_arguments;    // fewer arguments than this start the launcher normally
    ToolModeRun run;              // null while the mode is not available: the word is then ignored
};

// The modes in the order they are tried.
std::span<const ToolMode> tool_modes();

// The mode that the first argument selects from `table`: its word matches, enough arguments are given and the
// mode is available. Null for the interactive start.
const ToolMode* select_tool_mode(const std::vector<std::string>& arguments, std::span<const ToolMode> table);

}  // namespace qo
