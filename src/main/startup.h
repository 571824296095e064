#pragma once
#include <string>
#include <vector>

namespace qo {

// Collects the arguments without the program path, runs real_main, releases the single-instance lock and
// returns the exit code.
int program_main(int argc, char** argv);

// Tool-mode dispatch and the interactive start.
int real_main(const std::vector<std::string>& arguments);

}  // namespace qo
