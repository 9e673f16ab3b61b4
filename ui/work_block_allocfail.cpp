// The working blocks of the memory-shortage test build: every Nth block is
// refused. N comes from the environment variable KALVOR_FAIL_ALLOC_EVERY,
// else from the build (KALVOR_TEST_FAIL_ALLOC_EVERY); 0 refuses none.
#include <cstdlib>

#include "work_block.h"

namespace {

unsigned long AllocFailureInterval() {
    char text[16] = {};
    const DWORD length = GetEnvironmentVariableA("KALVOR_FAIL_ALLOC_EVERY", text, sizeof text);
    if (length == 0 || length >= sizeof text) return KALVOR_TEST_FAIL_ALLOC_EVERY;
    return std::strtoul(text, nullptr, 10);
}

}  // namespace

HGLOBAL AllocWorkBlock() {
    static unsigned long count = 0;
    const unsigned long every = AllocFailureInterval();
    if (every != 0 && ++count % every == 0) return nullptr;
    return GlobalAlloc(GMEM_ZEROINIT, kWorkBlockSize);
}
