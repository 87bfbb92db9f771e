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

} // namespace

class TestPageWarmer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init()
    {
        if (!kernelCanPopulate())
            QSKIP("this kernel cannot populate pages ahead (Linux 5.14 or later can)");
    }

    void keepsAWindowReadyAheadOfTheWriter()
    {
        Region buffer(16 * MB);
        QVERIFY(buffer.isValid());
        PageWarmer warmer;

        // A writer at 64 KB gets the next 4 MB ready, not the rest of the buffer.
        std::memset(buffer.data(), 'a', size_t(64 * 1024));
        warmer.ahead(buffer.data(), 64 * 1024, 16 * MB);
        PageWarmer::waitForRequests();
        QCOMPARE(buffer.residentMB(0, 4 * MB), 4.0);
        QCOMPARE(buffer.residentMB(4 * MB + 64 * 1024, 16 * MB), 0.0);
        // What the writer wrote is untouched.
        QCOMPARE(QByteArray(buffer.data(), 64 * 1024), QByteArray(64 * 1024, 'a'));

        // Nothing more while the ready end is far enough ahead...
        warmer.ahead(buffer.data(), MB, 16 * MB);
        PageWarmer::waitForRequests();
        QCOMPARE(buffer.residentMB(4 * MB + 64 * 1024, 16 * MB), 0.0);
        // ...and the next window once the writer comes close to it.
        warmer.ahead(buffer.data(), 3 * MB, 16 * MB);
        PageWarmer::waitForRequests();
        QCOMPARE(buffer.residentMB(0, 7 * MB), 7.0);
        QCOMPARE(buffer.residentMB(7 * MB, 16 * MB), 0.0);

        // A writer that jumped ahead gets pages from where it is, never past the end
        // of the buffer.
        warmer.ahead(buffer.data(), 10 * MB, 13 * MB);
        PageWarmer::waitForRequests();
        QCOMPARE(buffer.residentMB(7 * MB, 10 * MB), 0.0);
        QCOMPARE(buffer.residentMB(10 * MB, 13 * MB), 3.0);
        QCOMPARE(buffer.residentMB(13 * MB, 16 * MB), 0.0);
    }

    void aMovedBufferIsWarmedFromWhereItsWriterIs()
    {
        Region first(8 * MB);
        Region second(8 * MB);
        QVERIFY(first.isValid() && second.isValid());
        PageWarmer warmer;
        warmer.ahead(first.data(), 0, 8 * MB);
        // The text moved to a new buffer 1 MB long: its next pages, not the old ones'.
        warmer.ahead(second.data(), MB, 8 * MB);
        PageWarmer::waitForRequests();
        QCOMPARE(second.residentMB(0, MB), 0.0);
        QCOMPARE(second.residentMB(MB, 5 * MB), 4.0);

        // A small buffer, or one with little room left, is left to its writer.
        Region small(4 * MB);
        warmer.ahead(small.data(), 0, MB);
        warmer.reset();
        warmer.ahead(small.data(), 3 * MB, 4 * MB);
        PageWarmer::waitForRequests();
        QCOMPARE(small.residentMB(0, 4 * MB), 0.0);
    }

    void aBufferGoneBeforeItsWindowIsReadyIsHarmless()
    {
        PageWarmer warmer;
        for (int round = 0; round < 20; ++round) {
            Region buffer(8 * MB);
            QVERIFY(buffer.isValid());
            warmer.ahead(buffer.data(), 0, 8 * MB);
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
