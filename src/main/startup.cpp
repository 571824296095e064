#include "main/startup.h"

namespace qo {

int program_main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    return real_main(arguments);
}

int real_main(const std::vector<std::string>&) { return 1; }

}  // namespace qo
