#include "system/pagewarmer.h"

#include <QtTest>

#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <vector>

using tovik::PageWarmer;

namespace {

constexpr qsizetype MB = qsizetype(1) << 20;

// Fresh anonymous memory: no page of it is backed until something touches it.
class Region
{
public:
    explicit Region(qsizetype bytes)
        : m_bytes(bytes)
        , m_data(static_cast<char *>(::mmap(nullptr, size_t(bytes), PROT_READ | PROT_WRITE,
                                             MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)))
    {
    }
    ~Region() { release(); }
    void release()
    {
        if (m_data != MAP_FAILED)
            ::munmap(m_data, size_t(m_bytes));
        m_data = static_cast<char *>(MAP_FAILED);
    }
    bool isValid() const { return m_data != MAP_FAILED; }
    char *data() const { return m_data; }

    // Megabytes backed by pages in [from, to), whole pages counted.
    double residentMB(qsizetype from, qsizetype to) const
    {
        const qsizetype page = ::sysconf(_SC_PAGESIZE);
        std::vector<unsigned char> pages(size_t((to - from + page - 1) / page));
        if (::mincore(m_data + from, size_t(to - from), pages.data()) != 0)
            return -1;
        qsizetype resident = 0;
        for (const unsigned char flags : pages)
            resident += flags & 1;
        return double(resident * page) / double(MB);
    }

private:
    qsizetype m_bytes;
    char *m_data;
};

bool kernelCanPopulate()
{
    Region probe(::sysconf(_SC_PAGESIZE));
    return probe.isValid() && ::madvise(probe.data(), size_t(::sysconf(_SC_PAGESIZE)), 23 /* MADV_POPULATE_WRITE */) == 0;
}

// The flags of the mapping that holds `address`, as /proc/self/smaps gives them.
QByteArrayList mappingFlags(const void *address)
{
    QFile smaps(QStringLiteral("/proc/self/smaps"));
    if (!smaps.open(QIODevice::ReadOnly))
        return {};
    const auto at = reinterpret_cast<quintptr>(address);
    bool inside = false;
    for (const QByteArray &line : smaps.readAll().split('\n')) {
        const qsizetype dash = line.indexOf('-');
        const qsizetype space = line.indexOf(' ');
        if (dash > 0 && space > dash && !line.startsWith("VmFlags")) {
            bool ok1 = false;
            bool ok2 = false;
            const quintptr from = line.first(dash).toULongLong(&ok1, 16);
            const quintptr to = line.sliced(dash + 1, space - dash - 1).toULongLong(&ok2, 16);
            if (ok1 && ok2)
                inside = from <= at && at < to;
        } else if (inside && line.startsWith("VmFlags:")) {
            return line.sliced(8).simplified().split(' ');
        }
    }
    return {};
}

} // namespace

class TestPageWarmer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        if (!kernelCanPopulate())
            QSKIP("this kernel cannot populate pages ahead (Linux 5.14 or later can)");
        PageWarmer::setUsed(true); // whatever this machine's cores
    }

    void keepsAWindowReadyAheadOfTheWriter()
    {
        constexpr qsizetype window = PageWarmer::windowBytes;
        constexpr double windowMB = double(window) / double(MB);
        Region buffer(4 * window);
        QVERIFY(buffer.isValid());
        PageWarmer warmer;

        // A buffer written once, however long, is not growing: its room stays untouched.
        std::memset(buffer.data(), 'a', size_t(32 * 1024));
        warmer.ahead(buffer.data(), 32 * 1024, 4 * window);
        PageWarmer::waitForRequests();
        QCOMPARE(buffer.residentMB(64 * 1024, 4 * window), 0.0);

        // Written to again, where it is: the next window is made ready, not the rest.
        std::memset(buffer.data(), 'a', size_t(64 * 1024));
        warmer.ahead(buffer.data(), 64 * 1024, 4 * window);
        PageWarmer::waitForRequests();
        QCOMPARE(buffer.residentMB(0, window), windowMB);
        QCOMPARE(buffer.residentMB(window + 64 * 1024, 4 * window), 0.0);
        // What the writer wrote is untouched.
        QCOMPARE(QByteArray(buffer.data(), 64 * 1024), QByteArray(64 * 1024, 'a'));

        // Nothing more while the ready end is far enough ahead...
        warmer.ahead(buffer.data(), window / 4, 4 * window);
        PageWarmer::waitForRequests();
        QCOMPARE(buffer.residentMB(window + 64 * 1024, 4 * window), 0.0);
        // ...and the next window once the writer comes close to it.
        warmer.ahead(buffer.data(), window * 3 / 4, 4 * window);
        PageWarmer::waitForRequests();
        QCOMPARE(buffer.residentMB(0, window * 7 / 4), windowMB * 7 / 4);
        QCOMPARE(buffer.residentMB(window * 7 / 4, 4 * window), 0.0);

        // A writer that jumped ahead gets pages from where it is, never past the end
        // of the buffer.
        warmer.ahead(buffer.data(), window * 5 / 2, window * 3);
        PageWarmer::waitForRequests();
        QCOMPARE(buffer.residentMB(window * 7 / 4, window * 5 / 2), 0.0);
        QCOMPARE(buffer.residentMB(window * 5 / 2, window * 3), windowMB / 2);
        QCOMPARE(buffer.residentMB(window * 3, 4 * window), 0.0);
    }

    void aMovedBufferIsWarmedFromWhereItsWriterIs()
    {
        constexpr qsizetype window = PageWarmer::windowBytes;
        Region first(2 * window);
        Region second(2 * window);
        QVERIFY(first.isValid() && second.isValid());
        PageWarmer warmer;
        warmer.ahead(first.data(), 0, 2 * window);
        warmer.ahead(first.data(), 4096, 2 * window);
        PageWarmer::waitForRequests();
        QCOMPARE(first.residentMB(4096, 4096 + window), double(window) / double(MB));
        // The text moved to a new buffer 1 MB long: from its next append on, its next
        // pages, not the old ones'.
        warmer.ahead(second.data(), MB, 2 * window);
        PageWarmer::waitForRequests();
        QCOMPARE(second.residentMB(0, 2 * window), 0.0);
        warmer.ahead(second.data(), MB, 2 * window);
        PageWarmer::waitForRequests();
        QCOMPARE(second.residentMB(0, MB), 0.0);
        QCOMPARE(second.residentMB(MB, MB + window), double(window) / double(MB));

        // Where no core is to spare, nothing is asked for.
        PageWarmer::setUsed(false);
        Region unused(2 * window);
        warmer.ahead(unused.data(), MB, 2 * window);
        warmer.ahead(unused.data(), MB, 2 * window);
        PageWarmer::waitForRequests();
        QCOMPARE(unused.residentMB(0, 2 * window), 0.0);
        PageWarmer::setUsed(true);

        // A buffer with little room left is left to its writer.
        Region small(MB);
        warmer.ahead(small.data(), MB - PageWarmer::leastBytes / 2, MB);
        warmer.ahead(small.data(), MB - PageWarmer::leastBytes / 2, MB);
        PageWarmer::waitForRequests();
        QCOMPARE(small.residentMB(0, MB), 0.0);
    }

    void aLargeBlockOfItsOwnAsksForHugePages()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the address sanitizer's allocator stands in for glibc's");
#endif
        if (!QFile::exists(QStringLiteral("/sys/kernel/mm/transparent_hugepage/enabled")))
            QSKIP("this kernel has no huge pages on request");
        // A long answer: a block of its own mapping, the whole mapping asked for huge
        // pages, so that growing it still moves the mapping as a whole.
        void *block = std::malloc(size_t(3 * MB));
        QVERIFY(block);
        PageWarmer warmer;
        // Set once, it is not growing: left as it is.
        warmer.ahead(static_cast<char *>(block) + 16, 1024, 3 * MB - 32, block);
        QVERIFY(!mappingFlags(block).contains("hg"));
        // Appended to where it is.
        warmer.ahead(static_cast<char *>(block) + 16, 2048, 3 * MB - 32, block);
        QVERIFY2(mappingFlags(block).contains("hg"), mappingFlags(block).join(' ').constData());
        void *grown = std::realloc(block, size_t(12 * MB));
        QVERIFY(grown);
        QVERIFY2(mappingFlags(grown).contains("hg"), "growing moved the text into a fresh mapping");
        QVERIFY(mappingFlags(static_cast<char *>(grown) + 12 * MB - 1).contains("hg"));
        std::free(grown);

        // A short text is left alone, and so is a block inside the heap.
        void *small = std::malloc(size_t(MB));
        QVERIFY(small);
        warmer.ahead(small, 1024, MB, small);
        warmer.ahead(small, 2048, MB, small);
        QVERIFY(!mappingFlags(small).contains("hg"));
        void *heap = std::malloc(size_t(64) << 10);
        QVERIFY(heap);
        QVERIFY(!PageWarmer::askForHugePages(heap));
        QVERIFY(!mappingFlags(heap).contains("hg"));
        std::free(heap);
        std::free(small);
    }

    void aBufferGoneBeforeItsWindowIsReadyIsHarmless()
    {
        PageWarmer warmer;
        for (int round = 0; round < 20; ++round) {
            Region buffer(PageWarmer::windowBytes);
            QVERIFY(buffer.isValid());
            warmer.ahead(buffer.data(), 0, PageWarmer::windowBytes);
            warmer.ahead(buffer.data(), 0, PageWarmer::windowBytes);
            buffer.release(); // the helper may be working on it right now
        }
        PageWarmer::waitForRequests();
        Region after(8 * MB);
        QVERIFY(after.isValid());
        std::memset(after.data(), 'b', size_t(8 * MB));
        QCOMPARE(after.data()[8 * MB - 1], 'b');
    }
};

QTEST_GUILESS_MAIN(TestPageWarmer)
#include "test_pagewarmer.moc"
