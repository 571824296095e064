#include "platform/free_memory.h"

#include <malloc.h>

namespace qo {

void return_free_memory_to_system() { malloc_trim(0); }

}  // namespace qo
