#pragma once
// Handing memory the allocator holds but no longer uses back to the system.

namespace qo {

// Freed blocks the C library's allocator keeps are returned to the system, so the resident size follows what is
// in use. Takes a few milliseconds; meant for the moments that leave much freed memory behind, not for every frame.
void return_free_memory_to_system();

// Every thread allocates from the allocator's one main arena. By default each thread that allocates gets an arena
// of its own, and the free space at the top of such an arena is never handed back by the call above (only its
// main arena's is): once the allocator has freed a canvas-sized block it keeps tops of tens of MB, and the
// threads that build the window's layers and run the update leave several MB so. Called first thing, before any
// thread starts.
void keep_allocations_in_one_arena();

}  // namespace qo
