#pragma once

namespace tovik {

// glibc takes blocks over 128 KB straight from the kernel, one mapping each, until
// one of them is freed: then it raises that threshold to the freed block's size (up
// to 32 MB) and serves such blocks from its heap. After a first long answer is
// replaced, the next one grows inside the heap: every doubling copies the whole text
// into fresh heap pages, where a mapping of its own would have been moved by the
// kernel without a copy, its next pages made ready ahead of it. Fixing the threshold
// keeps every block from 2 MB on in a mapping of its own, and returns it to the system
// as soon as it is freed. Smaller blocks, which a long history's reading allocates and
// frees by the thousand, stay in the heap, where freed memory is used again.
//
// glibc also gives the free end of a heap back to the system once it exceeds 128 KB.
// The output reader allocates a buffer of that size for each batch of lines and the
// GUI thread frees it soon after, so nearly every batch met fresh pages, each a fault
// and a zeroing in the kernel. A heap now keeps up to 1 MB free for the next blocks.
class LargeAllocations final
{
public:
    LargeAllocations() = delete;

    static constexpr int ownMappingFromBytes = 2 << 20;
    static constexpr int keptFreeBytes = 1 << 20;

    // Once, early in main(), before any threads start.
    static void mapEachOnItsOwn();
};

} // namespace tovik
