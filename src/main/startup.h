#pragma once
// The program's entry and its first decisions: a tool mode, or the interactive launcher kept to one instance.
#include <string>
#include <vector>

namespace qo {

// Collects the arguments without the program path, runs real_main, releases the single-instance mutex and
// returns the exit code.
int program_main(int argc, char** argv);

// Tool-mode dispatch and the interactive start. Returns the process's exit code.
int real_main(const std::vector<std::string>& arguments);

}  // namespace qo
