#include "work_block.h"

HGLOBAL AllocWorkBlock() {
    return GlobalAlloc(GMEM_ZEROINIT, kWorkBlockSize);
}
