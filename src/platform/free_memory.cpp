#include "platform/free_memory.h"

#include <thread>
#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace platform {

void giveBackFreeMemory() {
#ifdef __GLIBC__
    // A walk of every arena: cheap, but not for the GUI thread.
    std::thread([] { malloc_trim(0); }).detach();
#endif
}

} // namespace platform
