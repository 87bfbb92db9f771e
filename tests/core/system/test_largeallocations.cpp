#include "system/largeallocations.h"

#include <QtTest>

#include <malloc.h>

#include <cstdlib>
#include <cstring>

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
};

QTEST_GUILESS_MAIN(TestLargeAllocations)
#include "test_largeallocations.moc"
