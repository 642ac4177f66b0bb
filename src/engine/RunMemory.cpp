#include "engine/RunMemory.h"

#include <malloc.h>

namespace tamsenor {

void KeepMemoryBetweenFiles()
{
    // A run takes one file after another, each with buffers about the
    // file's size. By default a block from 128 KiB up is mapped fresh from
    // the system and given back when freed, so every file's buffers are
    // faulted in again page by page: on a virtual machine the readable text
    // of a set of small real pages took a tenth longer that way. Blocks up
    // to 32 MiB now stay in the heap for the next file, with up to 64 MiB of
    // it kept free. Larger blocks (a large page) are still mapped and given
    // back, so the peak for one large page is as before.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 64 << 20);
}

} // namespace tamsenor
