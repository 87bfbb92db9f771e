#include "system/largeallocations.h"

#include <QtTest>

#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <vector>

using tovik::LargeAllocations;

class TestLargeAllocations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void aLargeBlockKeepsItsOwnMappingAfterAnotherWasFreed()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the address sanitizer's allocator stands in for glibc's");
#endif
        LargeAllocations::mapEachOnItsOwn();
        // A first long answer, replaced: glibc would now serve blocks up to its size
        // from the heap.
        void *first = std::malloc(size_t(24) << 20);
        QVERIFY(first);
        std::memset(first, 1, 4096);
        std::free(first);

        const size_t mappedBefore = mallinfo2().hblkhd;
        const size_t bytes = size_t(LargeAllocations::ownMappingFromBytes) * 2;
        void *next = std::malloc(bytes);
        QVERIFY(next);
        QVERIFY2(mallinfo2().hblkhd >= mappedBefore + bytes, "the block came from the heap");
        // And grows where it is mapped, without a copy into the heap.
        void *grown = std::realloc(next, bytes * 2);
        QVERIFY(grown);
        QVERIFY(mallinfo2().hblkhd >= mappedBefore + bytes * 2);
        std::free(grown);
        QCOMPARE(mallinfo2().hblkhd, mappedBefore);

        // A small block stays in the heap.
        void *small = std::malloc(size_t(64) << 10);
        QVERIFY(small);
        QCOMPARE(mallinfo2().hblkhd, mappedBefore);
        std::free(small);
    }

    void freedHeapMemoryIsKeptForTheNextBlocks()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the address sanitizer's allocator stands in for glibc's");
#endif
        LargeAllocations::mapEachOnItsOwn();
        // Batches of lines come and go in blocks of a few hundred KB: freeing them
        // leaves the heap as large as it was, up to the amount kept.
        std::vector<void *> blocks;
        for (int k = 0; k < 3; ++k) {
            blocks.push_back(std::malloc(size_t(256) << 10));
            QVERIFY(blocks.back());
            std::memset(blocks.back(), 1, size_t(256) << 10);
        }
        const size_t heap = mallinfo2().arena;
        for (auto it = blocks.rbegin(); it != blocks.rend(); ++it)
            std::free(*it);
        QCOMPARE(mallinfo2().arena, heap);
        // Beyond it, the free end goes back to the system.
        void *big = std::malloc(size_t(LargeAllocations::ownMappingFromBytes) - 4096);
        QVERIFY(big);
        std::memset(big, 1, size_t(LargeAllocations::ownMappingFromBytes) - 4096);
        const size_t grown = mallinfo2().arena;
        std::free(big);
        QVERIFY(mallinfo2().arena < grown);
    }
};

QTEST_GUILESS_MAIN(TestLargeAllocations)
#include "test_largeallocations.moc"
