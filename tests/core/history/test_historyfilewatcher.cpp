#include "history/historyfilewatcher.h"
#include "history/questionhistorystore.h"
#include "support/isolatedhome.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace tovik;

namespace {
QList<qint64> idsOf(const QList<QuestionRecord> &records)
{
    QList<qint64> ids;
    for (const QuestionRecord &record : records)
        ids.append(record.id);
    return ids;
}
} // namespace

// The store of this instance watches its file; a second store on the same file plays
// another instance writing to it.
class TestHistoryFileWatcher : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void anotherInstancesSavesAndDeletesShowUp();
    void fileMadeByAnotherInstanceIsRead();
    void reloadAfterOwnSaveChangesNothing();

private:
    QString path() const { return m_dir->filePath(QStringLiteral("data/tovikRAGUI/questions.sqlite")); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestHistoryFileWatcher::anotherInstancesSavesAndDeletesShowUp()
{
    QuestionHistoryStore mine(path(), {});
    const auto kept = mine.save(QStringLiteral("mine"), QStringLiteral("a"), QStringLiteral("/w"));
    QVERIFY(kept);
    HistoryFileWatcher watcher(mine);

    QuestionHistoryStore other(path(), {});
    const auto first = other.save(QStringLiteral("from elsewhere"), QStringLiteral("b"), QStringLiteral("/w"));
    const auto second = other.save(QStringLiteral("and again"), QStringLiteral("c"), QStringLiteral("/w"));
    QVERIFY(first && second);
    QTRY_COMPARE(idsOf(mine.records()), (QList<qint64>{second->id, first->id, kept->id}));
    QCOMPARE(mine.records().first().question, QStringLiteral("and again"));
    QVERIFY(mine.lastError().isEmpty());

    QVERIFY(other.deleteRecords({first->id, kept->id}));
    QTRY_COMPARE(idsOf(mine.records()), QList<qint64>{second->id});
}

void TestHistoryFileWatcher::fileMadeByAnotherInstanceIsRead()
{
    // This instance has not touched its history yet, and there is no file to watch.
    QuestionHistoryStore mine(path(), {});
    HistoryFileWatcher watcher(mine);
    QVERIFY(!QFile::exists(path()));

    QuestionHistoryStore other(path(), {});
    const auto saved = other.save(QStringLiteral("first ever"), QStringLiteral("a"), QStringLiteral("/w"));
    QVERIFY(saved);
    QTRY_COMPARE(idsOf(mine.records()), QList<qint64>{saved->id});

    // From now on the file itself is watched.
    const auto next = other.save(QStringLiteral("second"), QStringLiteral("b"), QStringLiteral("/w"));
    QVERIFY(next);
    QTRY_COMPARE(idsOf(mine.records()), (QList<qint64>{next->id, saved->id}));
}

void TestHistoryFileWatcher::reloadAfterOwnSaveChangesNothing()
{
    // The watcher reloads after this instance's own writes too: the list read back must
    // equal the one kept in memory, or every save would rebuild the list a second time.
    QuestionHistoryStore mine(path(), {});
    mine.openIfNeeded();
    QSignalSpy changed(&mine, &QuestionHistoryStore::recordsChanged);
    QVERIFY(mine.save(QStringLiteral("  mine  "), QStringLiteral("a"), QStringLiteral("/w")));
    QVERIFY(mine.save(QStringLiteral("more"), QStringLiteral("b"), QStringLiteral("/w")));
    QCOMPARE(changed.size(), 2);
    mine.reload();
    QCOMPARE(changed.size(), 2);
}

QTEST_GUILESS_MAIN(TestHistoryFileWatcher)
#include "test_historyfilewatcher.moc"
