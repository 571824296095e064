#include "platform/free_memory.h"

#include <malloc.h>

namespace qo {

void return_free_memory_to_system() { malloc_trim(0); }

void keep_allocations_in_one_arena() { mallopt(M_ARENA_MAX, 1); }

}  // namespace qo
