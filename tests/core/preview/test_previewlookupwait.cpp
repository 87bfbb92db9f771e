#include "i18n/interfacelanguage.h"
#include "preview/documentpreviewmodel.h"
#include "previewfixture.h"
#include "support/isolatedhome.h"

#include <QSemaphore>
#include <QThread>
#include <QtTest>

#include <atomic>

using namespace tovik;

// The corpus lookup of a load runs off the interface thread and is given up on when it
// does not come back in time (a hung network share, a file that blocks on open).
class TestPreviewLookupWait : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void stuckLookupIsGivenUpWithoutBlocking();
};

void TestPreviewLookupWait::stuckLookupIsGivenUpWithoutBlocking()
{
    InterfaceLanguage::shared().setLanguage(AppLanguage::english);
    QSemaphore release;
    std::atomic<bool> ranOnInterfaceThread = false;
    DocumentPreviewModel model;
    model.setCorpusLookup([&](const QStringList &, const QString &) {
        // Blocking here on the interface thread would hang the test instead of failing it.
        if (QThread::currentThread() == QCoreApplication::instance()->thread())
            ranOnInterfaceThread = true;
        else
            release.acquire();
        return CorpusLookup{};
    });
    model.setLookupTimeout(std::chrono::milliseconds(20));
    const QString answer = test::marker(QStringLiteral("report.pdf"), 1);
    const QString folder = QStringLiteral("/nowhere");

    const QFuture<void> loading = model.load(answer, folder);
    QTRY_VERIFY(loading.isFinished());
    QVERIFY(!ranOnInterfaceThread);
    QCOMPARE(model.noticeText(), QStringLiteral("corpus.sqlite didn't answer within 0.02 seconds."));
    QVERIFY(!model.isLoading());
    QVERIFY(model.groups().isEmpty());
    // Like a failed lookup: the same answer does not start another stuck lookup.
    QCOMPARE(model.loadedKey(), model.loadKey(answer, folder));
    QVERIFY(model.load(answer, folder).isFinished());
    release.release();
}

QTEST_MAIN(TestPreviewLookupWait)
#include "test_previewlookupwait.moc"
