#include "gfx/fatal.h"

#include <cstdio>
#include <cstdlib>

namespace qo {

void gfx_fatal(const char* what) {
  std::fprintf(stderr, "fatal: %s\n", what);
  std::fflush(stderr);
  std::abort();
}

}  // namespace qo
