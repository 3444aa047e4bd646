// Large pixel blocks are walked down their columns (warping visits pixels x
// major), touching one 4 KB page per row; with 2 MB pages a whole image needs
// a handful of TLB entries instead of thousands, and a fresh block faults in
// a few hundred times less often.
#pragma once

#include <cstddef>

// Asks the kernel to back the whole 2 MB pages inside [block, block + size)
// with huge pages. Only a hint: the contents are untouched, and nothing
// changes where the system does not offer huge pages. Best called before
// the block is first written.
void AdviseHugePages(void* block, std::size_t size);
