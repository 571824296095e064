#pragma once
// Handing memory the allocator holds but no longer uses back to the system.

namespace qo {

// Freed blocks the C library's allocator keeps in its arenas (including those of threads that have ended) are
// returned to the system, so the resident size follows what is in use. Takes a few milliseconds; meant for the
// moments that leave much freed memory behind, not for every frame.
void return_free_memory_to_system();

}  // namespace qo
