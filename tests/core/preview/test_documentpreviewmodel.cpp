#include "i18n/applanguage.h"
#include "i18n/interfacelanguage.h"
#include "core/pdf/pdffixtures.h"
#include "preview/documentpreviewmodel.h"
#include "previewfixture.h"
#include "support/isolatedhome.h"

#include <QFile>
#include <QSignalSpy>
#include <QtTest>

#include <functional>
#include <limits>

using namespace tovik;
using test::marker;

namespace {

// Every published groups list, as "file:pages" strings.
class GroupsRecorder final : public QObject
{
public:
    explicit GroupsRecorder(DocumentPreviewModel &model)
    {
        connect(&model, &DocumentPreviewModel::groupsChanged, this, [this, &model] {
            QStringList shown;
            for (const CitedDocument &document : model.groups())
                shown.append(document.filename + QLatin1Char(':') + QString::number(document.pages.size()));
            steps.append(shown.join(QLatin1Char(' ')));
        });
    }
    QStringList steps;
};

const CitedDocument *documentNamed(const DocumentPreviewModel &model, const QString &filename)
{
    for (const CitedDocument &document : model.groups()) {
        if (document.filename == filename)
            return &document;
    }
    return nullptr;
}

// Lets posted steps and a render still on the worker come back.
void drain()
{
    QTest::qWait(400);
}

// Runs `action` once while the page after the first published one is rendering on the
// worker. Posted events run in order: the first hop runs before the load's next step,
// the second right after it, when that step has handed the page to the worker and
// before its result can come back.
void whileSecondPageRenders(DocumentPreviewModel &model, std::function<void()> action)
{
    auto *watcher = new QObject(&model);
    QObject::connect(&model, &DocumentPreviewModel::groupsChanged, watcher, [&model, watcher, action] {
        if (model.groups().value(0).pages.size() != 1)
            return;
        QObject::disconnect(&model, nullptr, watcher, nullptr);
        QMetaObject::invokeMethod(
            watcher,
            [watcher, action] { QMetaObject::invokeMethod(watcher, action, Qt::QueuedConnection); },
            Qt::QueuedConnection);
    });
}

} // namespace

class TestDocumentPreviewModel : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void initTestCase();
    void answerWithoutCitationsIsLoadedAtOnce();
    void loadPublishesEveryStep();
    void fileProblemsBesideAGoodFile();
    void pageProblemsAndSizes();
    void problemTextsFollowTheLanguage();
    void failedLookupSetsNoticeAndKey_data();
    void failedLookupSetsNoticeAndKey();
    void newerLoadSupersedesOlder();
    void sameLoadTwiceRendersOnce();
    void resetOrDeactivateMidLoad_data();
    void resetOrDeactivateMidLoad();
    void cancelledLoadLeavesTheState();
    void changedDirectoryEmptiesTheCaches();
    void renderedPagesAreReused();
    void sourceVanishingBeforeOpen();
    void destroyedWhileRendering();
    void thousandsOfFilesPublishInBatchesAndAReloadKeepsThem();

private:
    QString file(const QString &name) const { return m_project.filePath(name); }

    test::PreviewProject m_project;
};

void TestDocumentPreviewModel::initTestCase()
{
    QVERIFY(m_project.isValid());
    QVERIFY(test::writePagesPdf(file(QStringLiteral("good.pdf")), 3));
    QVERIFY(test::writePagesPdf(file(QStringLiteral("colour.pdf")), 2, true));
    QVERIFY(test::writePagesPdf(file(QStringLiteral("long.pdf")), 300));
    QVERIFY(test::writeRotatedPdf(file(QStringLiteral("turned90.pdf")), 90));
    QVERIFY(test::writeRotatedPdf(file(QStringLiteral("turned270.pdf")), 270));
    QVERIFY(test::resizePdfPages(file(QStringLiteral("good.pdf")), file(QStringLiteral("tiny.pdf")), QSizeF(0.5, 0.5)));
    QVERIFY(test::encryptPdf(file(QStringLiteral("good.pdf")), file(QStringLiteral("locked.pdf")), "secret"));
    QFile corrupt(file(QStringLiteral("corrupt.pdf")));
    QVERIFY(corrupt.open(QIODevice::WriteOnly));
    corrupt.write("%PDF-1.7\n");
    for (int i = 0; i < 500; ++i)
        corrupt.write(QByteArray::number(i * 7919 % 65521, 36) + " obj << /Type /Pa");
    corrupt.close();
    QImage png(40, 40, QImage::Format_RGB32);
    png.fill(Qt::red);
    QVERIFY(png.save(file(QStringLiteral("picture.pdf")), "PNG"));
    QFile notes(file(QStringLiteral("notes.txt")));
    QVERIFY(notes.open(QIODevice::WriteOnly));
    notes.write("plain text\n");
    notes.close();

    QList<test::PreviewProject::Row> rows;
    for (const char *name : {"good.pdf", "colour.pdf", "long.pdf", "turned90.pdf", "turned270.pdf", "tiny.pdf",
                             "locked.pdf", "corrupt.pdf", "picture.pdf", "notes.txt", "vanish.pdf"})
        rows.append({QLatin1String(name), file(QLatin1String(name))});
    rows.append({QStringLiteral("gone.pdf"), file(QStringLiteral("gone.pdf"))});
    QVERIFY(m_project.writeCorpus(rows));
}

void TestDocumentPreviewModel::answerWithoutCitationsIsLoadedAtOnce()
{
    DocumentPreviewModel model;
    const QString answer = QStringLiteral("No sources for this one.\n");
    QFuture<void> first = model.load(answer, m_project.path());
    QVERIFY(model.isLoading());
    QVERIFY(test::waitFor(first));
    QVERIFY(!model.isLoading());
    QVERIFY(model.groups().isEmpty());
    QVERIFY(!model.hasNotice());
    QCOMPARE(model.loadedKey(), QChar(0x1F) + m_project.path());
    QCOMPARE(model.loadedDirectory(), m_project.path());

    // The same answer again is already shown: nothing starts.
    const qint64 generation = model.generation();
    QVERIFY(model.load(answer, m_project.path()).isFinished());
    QCOMPARE(model.generation(), generation);
    QVERIFY(!model.isLoading());
}

void TestDocumentPreviewModel::loadPublishesEveryStep()
{
    DocumentPreviewModel model;
    GroupsRecorder recorder(model);
    const QString answer = QStringLiteral("One %1 two %2\nthree %3 again %1\n")
                               .arg(marker(QStringLiteral("good.pdf"), 2), marker(QStringLiteral("colour.pdf"), 1),
                                    marker(QStringLiteral("good.pdf"), 1));
    QFuture<void> loading = model.load(answer, m_project.path());
    QCOMPARE(model.rows().value(0).kind, PreviewRow::Kind::loading);
    QVERIFY(test::waitFor(loading));

    QCOMPARE(recorder.steps, QStringList({QStringLiteral("good.pdf:0"), QStringLiteral("good.pdf:1"),
                                          QStringLiteral("good.pdf:2"), QStringLiteral("good.pdf:2 colour.pdf:0"),
                                          QStringLiteral("good.pdf:2 colour.pdf:1")}));
    QVERIFY(!model.isLoading());
    QCOMPARE(model.loadedKey(), model.loadKey(answer, m_project.path()));
    QCOMPARE(model.loadedKey(), QStringLiteral("good.pdf\n2\u001Egood.pdf\n1\u001Ecolour.pdf\n1\u001F") + m_project.path());

    const CitedDocument *good = documentNamed(model, QStringLiteral("good.pdf"));
    QVERIFY(good);
    QCOMPARE(good->sourcePath, file(QStringLiteral("good.pdf")));
    QCOMPARE(good->pages.size(), 2);
    const RenderedPage &second = good->pages[0];
    QCOMPARE(second.page, 2);
    QVERIFY(!second.problem);
    QCOMPARE(second.image.size(), QSize(1600, 2071));
    QCOMPARE(second.pdfPage->index(), 1);
    QCOMPARE(second.image.format(), QImage::Format_Grayscale8); // black text on white
    const RenderedPage &colourPage = documentNamed(model, QStringLiteral("colour.pdf"))->pages.value(0);
    QCOMPARE(colourPage.image.size(), QSize(1600, 2071));
    QVERIFY(!colourPage.image.allGray());
    QCOMPARE(model.images().size(), 3);
    QCOMPARE(model.documents().size(), 2);

    const auto identities = [&model] {
        QStringList ids;
        for (const PreviewRow &row : model.rows())
            ids.append(row.identity());
        return ids;
    };
    QCOMPARE(identities(), QStringList({QStringLiteral("preview-file:good.pdf"), QStringLiteral("preview-page:good.pdf\u001E2"),
                                        QStringLiteral("preview-page:good.pdf\u001E1"), QStringLiteral("preview-file:colour.pdf"),
                                        QStringLiteral("preview-page:colour.pdf\u001E1")}));
    QSignalSpy rowsChanged(&model, &DocumentPreviewModel::rowsChanged);
    model.setPageOrder(CitationPageOrder::pageNumber);
    QCOMPARE(rowsChanged.size(), 1);
    QCOMPARE(identities().mid(1, 2), QStringList({QStringLiteral("preview-page:good.pdf\u001E1"),
                                                  QStringLiteral("preview-page:good.pdf\u001E2")}));
    QCOMPARE(model.rows()[1].textKey(), QStringLiteral("good.pdf\u001E1"));
    QVERIFY(!model.isLoading()); // reordering loads nothing
}

void TestDocumentPreviewModel::fileProblemsBesideAGoodFile()
{
    DocumentPreviewModel model;
    QString answer;
    for (const char *name : {"nowhere.pdf", "gone.pdf", "notes.txt", "locked.pdf", "corrupt.pdf", "picture.pdf", "good.pdf"})
        answer += marker(QLatin1String(name), 1) + QLatin1Char('\n');
    QVERIFY(test::waitFor(model.load(answer, m_project.path())));

    const QString cantOpen = QStringLiteral("Couldn't open this PDF.");
    const QList<std::pair<QString, QString>> expected{
        {QStringLiteral("nowhere.pdf"), QStringLiteral("The corpus has no “nowhere.pdf”.")},
        {QStringLiteral("gone.pdf"), QStringLiteral("File does not exist: ") + file(QStringLiteral("gone.pdf"))},
        {QStringLiteral("notes.txt"), QStringLiteral("This file isn't a PDF, so its pages can't be previewed.")},
        {QStringLiteral("locked.pdf"), cantOpen},
        {QStringLiteral("corrupt.pdf"), cantOpen},
        {QStringLiteral("picture.pdf"), cantOpen},
    };
    QCOMPARE(model.groups().size(), expected.size() + 1);
    for (qsizetype i = 0; i < expected.size(); ++i) {
        const CitedDocument &document = model.groups()[i];
        QCOMPARE(document.filename, expected[i].first);
        QCOMPARE(document.problem.value_or(QString()), expected[i].second);
        QVERIFY(document.pages.isEmpty());
    }
    const CitedDocument &good = model.groups().last();
    QVERIFY(!good.problem);
    QCOMPARE(good.pages.size(), 1);
    QVERIFY(good.pages[0].hasImage());
    QVERIFY(!model.hasNotice());
    // Failed opens are not cached.
    QCOMPARE(model.documents().keys(), QStringList{file(QStringLiteral("good.pdf"))});
}

void TestDocumentPreviewModel::pageProblemsAndSizes()
{
    DocumentPreviewModel model;
    const QString answer = marker(QStringLiteral("good.pdf"), 4) + marker(QStringLiteral("good.pdf"), 3)
        + marker(QStringLiteral("tiny.pdf"), 1) + marker(QStringLiteral("long.pdf"), 300)
        + marker(QStringLiteral("long.pdf"), 301) + marker(QStringLiteral("turned90.pdf"), 1)
        + marker(QStringLiteral("turned270.pdf"), 1);
    QVERIFY(test::waitFor(model.load(answer, m_project.path())));

    const auto page = [&model](const char *filename, int index) {
        const CitedDocument *document = documentNamed(model, QLatin1String(filename));
        return document ? document->pages.value(index) : RenderedPage{};
    };
    QCOMPARE(page("good.pdf", 0).problem, QStringLiteral("There is no page 4."));
    QVERIFY(!page("good.pdf", 0).hasImage() && !page("good.pdf", 0).pdfPage);
    QVERIFY(page("good.pdf", 1).hasImage()); // the next page still renders
    QCOMPARE(page("tiny.pdf", 0).problem, QStringLiteral("Page 1 has no size."));
    QCOMPARE(page("long.pdf", 0).image.size(), QSize(1600, 2071));
    QCOMPARE(page("long.pdf", 0).pdfPage->index(), 299);
    QCOMPARE(page("long.pdf", 1).problem, QStringLiteral("There is no page 301."));
    // A quarter turn: 1600 wide, height scaled by the box's width over its height.
    QCOMPARE(page("turned90.pdf", 0).image.size(), QSize(1600, 1236));
    QCOMPARE(page("turned270.pdf", 0).image.size(), QSize(1600, 1236));

    // Numbers that never come from an answer are still refused.
    const auto document = model.pdfDocument(file(QStringLiteral("good.pdf")));
    QVERIFY(document);
    for (qint64 number : {qint64(0), qint64(-1), qint64(1) << 40})
        QCOMPARE(model.renderPage(document, file(QStringLiteral("good.pdf")), number).problem,
                 QStringLiteral("There is no page %1.").arg(number));
    QCOMPARE(model.renderPage(nullptr, QString(), 1).problem, QStringLiteral("There is no page 1."));
    // A cached page comes back as the same image.
    const RenderedPage again = model.renderPage(document, file(QStringLiteral("good.pdf")), 3);
    QCOMPARE(again.image.cacheKey(), page("good.pdf", 1).image.cacheKey());
}

void TestDocumentPreviewModel::problemTextsFollowTheLanguage()
{
    InterfaceLanguage::shared().setLanguage(AppLanguage::chinese);
    DocumentPreviewModel model;
    QVERIFY(test::waitFor(model.load(marker(QStringLiteral("good.pdf"), 9) + marker(QStringLiteral("locked.pdf"), 1),
                                     m_project.path())));
    InterfaceLanguage::shared().setLanguage(AppLanguage::english);
    QCOMPARE(model.groups().value(0).pages.value(0).problem, QStringLiteral("沒有第 9 頁。"));
    QCOMPARE(model.groups().value(1).problem, QStringLiteral("無法開啟此 PDF。"));
}

void TestDocumentPreviewModel::failedLookupSetsNoticeAndKey_data()
{
    QTest::addColumn<QByteArray>("corpus"); // empty: no project at all
    QTest::addColumn<QString>("notice");
    QTest::newRow("no corpus") << QByteArray() << QStringLiteral("corpus.sqlite wasn't found in the working directory.");
    QTest::newRow("not a database") << QByteArray(4096, 'x') << QStringLiteral("Couldn't open corpus.sqlite: ");
}

void TestDocumentPreviewModel::failedLookupSetsNoticeAndKey()
{
    QFETCH(QByteArray, corpus);
    QFETCH(QString, notice);
    QTemporaryDir folder;
    if (!corpus.isEmpty()) {
        test::PreviewProject project;
        QFile database(project.filePath(QStringLiteral("data/corpus.sqlite")));
        QVERIFY(database.open(QIODevice::WriteOnly));
        database.write(corpus);
        database.close();
        QVERIFY(folder.remove());
        QVERIFY(QDir().rename(project.path(), folder.path()));
    }
    DocumentPreviewModel model;
    const QString answer = marker(QStringLiteral("good.pdf"), 1);
    QVERIFY(test::waitFor(model.load(answer, folder.path())));
    QVERIFY2(model.noticeText().startsWith(notice), qPrintable(model.noticeText()));
    QVERIFY(model.noticeText().size() > notice.size() || corpus.isEmpty()); // the detail is filled in
    QVERIFY(model.groups().isEmpty());
    QVERIFY(!model.isLoading());
    QCOMPARE(model.loadedKey(), model.loadKey(answer, folder.path()));
    // Not looked up again for the same answer and folder.
    const qint64 generation = model.generation();
    QVERIFY(model.load(answer, folder.path()).isFinished());
    QCOMPARE(model.generation(), generation);
}

void TestDocumentPreviewModel::newerLoadSupersedesOlder()
{
    DocumentPreviewModel model;
    const QString older = marker(QStringLiteral("good.pdf"), 1) + marker(QStringLiteral("good.pdf"), 2);
    const QString newer = marker(QStringLiteral("colour.pdf"), 1);
    GroupsRecorder recorder(model);
    QFuture<void> second;
    whileSecondPageRenders(model, [&] {
        recorder.steps.clear();
        second = model.load(newer, m_project.path());
    });
    QFuture<void> first = model.load(older, m_project.path());
    QVERIFY(test::waitFor(first));
    QVERIFY(QTest::qWaitFor([&] { return second.isValid(); }));
    QVERIFY(test::waitFor(second));
    drain();
    // The older answer's documents never come back once the newer load publishes.
    QCOMPARE(recorder.steps, QStringList({QStringLiteral("colour.pdf:0"), QStringLiteral("colour.pdf:1")}));
    QCOMPARE(model.loadedKey(), model.loadKey(newer, m_project.path()));
    QVERIFY(!model.isLoading());
}

void TestDocumentPreviewModel::sameLoadTwiceRendersOnce()
{
    DocumentPreviewModel model;
    QSignalSpy imagesChanged(&model, &DocumentPreviewModel::imagesChanged);
    const QString answer = marker(QStringLiteral("good.pdf"), 1) + marker(QStringLiteral("good.pdf"), 2);
    QFuture<void> second;
    whileSecondPageRenders(model, [&] { second = model.load(answer, m_project.path()); });
    QFuture<void> first = model.load(answer, m_project.path());
    QVERIFY(test::waitFor(first));
    QVERIFY(QTest::qWaitFor([&] { return second.isValid(); }));
    QCOMPARE(model.generation(), 2);
    QVERIFY(test::waitFor(second));
    QCOMPARE(model.groups().value(0).pages.size(), 2);
    QCOMPARE(imagesChanged.size(), 2); // each page rendered and stored once
    QVERIFY(model.load(answer, m_project.path()).isFinished());
    QCOMPARE(model.generation(), 2);
}

void TestDocumentPreviewModel::resetOrDeactivateMidLoad_data()
{
    QTest::addColumn<bool>("deactivate");
    QTest::newRow("reset") << false;
    QTest::newRow("deactivate") << true;
}

void TestDocumentPreviewModel::resetOrDeactivateMidLoad()
{
    QFETCH(bool, deactivate);
    DocumentPreviewModel model;
    const QString answer = marker(QStringLiteral("good.pdf"), 1) + marker(QStringLiteral("good.pdf"), 2)
        + marker(QStringLiteral("good.pdf"), 3);
    bool done = false;
    whileSecondPageRenders(model, [&] {
        deactivate ? model.deactivate() : model.reset();
        done = true;
    });
    QFuture<void> loading = model.load(answer, m_project.path());
    const qint64 generation = model.generation();
    QVERIFY(test::waitFor(loading));
    QVERIFY(done);
    QCOMPARE(model.generation(), generation + 1);
    QCOMPARE(model.acceptsLoads(), !deactivate);
    drain();
    QVERIFY(model.groups().isEmpty());
    QVERIFY(model.images().isEmpty()); // the late render was dropped
    QVERIFY(model.documents().isEmpty());
    QVERIFY(!model.isLoading());
    QVERIFY(model.loadedKey().isEmpty() && model.loadedDirectory().isEmpty());

    if (deactivate) {
        // Stays off, and a second deactivate has nothing to drop.
        QVERIFY(model.load(answer, m_project.path()).isFinished());
        model.deactivate();
        QCOMPARE(model.generation(), generation + 1);
    } else {
        QVERIFY(test::waitFor(model.load(answer, m_project.path())));
        QCOMPARE(model.groups().value(0).pages.size(), 3);
    }
}

void TestDocumentPreviewModel::cancelledLoadLeavesTheState()
{
    DocumentPreviewModel model;
    const QString answer = marker(QStringLiteral("good.pdf"), 1) + marker(QStringLiteral("good.pdf"), 2);
    QFuture<void> loading;
    whileSecondPageRenders(model, [&] { loading.cancel(); });
    loading = model.load(answer, m_project.path());
    QVERIFY(test::waitFor(loading));
    drain();
    // Left as it was: a newer load owns what happens next.
    QVERIFY(model.isLoading());
    QVERIFY(model.loadedKey().isEmpty());
    QCOMPARE(model.groups().value(0).pages.size(), 1);
    QVERIFY(test::waitFor(model.load(answer, m_project.path())));
    QCOMPARE(model.groups().value(0).pages.size(), 2);
    QVERIFY(!model.isLoading());
}

void TestDocumentPreviewModel::changedDirectoryEmptiesTheCaches()
{
    test::PreviewProject other;
    QVERIFY(QFile::copy(file(QStringLiteral("good.pdf")), other.filePath(QStringLiteral("good.pdf"))));
    QVERIFY(other.writeCorpus({{QStringLiteral("good.pdf"), other.filePath(QStringLiteral("good.pdf"))}}));

    DocumentPreviewModel model;
    const QString answer = marker(QStringLiteral("good.pdf"), 1);
    QVERIFY(test::waitFor(model.load(answer, m_project.path())));
    QCOMPARE(model.images().size(), 1);

    QFuture<void> moved = model.load(answer, other.path());
    QVERIFY(model.images().isEmpty());
    QVERIFY(model.documents().isEmpty());
    QVERIFY(model.groups().isEmpty());
    QCOMPARE(model.loadedDirectory(), other.path());
    QVERIFY(test::waitFor(moved));
    QCOMPARE(model.groups().value(0).sourcePath, other.filePath(QStringLiteral("good.pdf")));
    QCOMPARE(model.images().keys(), QStringList{other.filePath(QStringLiteral("good.pdf")) + QStringLiteral("#1")});

    // Back to the first folder while the load for the second is still running: the
    // shown state is being replaced, so the first folder is loaded again rather than
    // taken as already shown.
    QVERIFY(test::waitFor(model.load(answer, m_project.path())));
    QFuture<void> away = model.load(answer, other.path());
    QFuture<void> back = model.load(answer, m_project.path());
    QVERIFY(test::waitFor(away) && test::waitFor(back));
    drain();
    QCOMPARE(model.loadedDirectory(), m_project.path());
    QCOMPARE(model.loadedKey(), model.loadKey(answer, m_project.path()));
    QCOMPARE(model.groups().value(0).sourcePath, file(QStringLiteral("good.pdf")));
    QVERIFY(!model.isLoading());
}

void TestDocumentPreviewModel::renderedPagesAreReused()
{
    DocumentPreviewModel model;
    QVERIFY(test::waitFor(model.load(marker(QStringLiteral("good.pdf"), 1) + marker(QStringLiteral("good.pdf"), 2),
                                     m_project.path())));
    const qint64 pageTwo = model.groups()[0].pages[1].image.cacheKey();
    QSignalSpy imagesChanged(&model, &DocumentPreviewModel::imagesChanged);
    QVERIFY(test::waitFor(model.load(marker(QStringLiteral("good.pdf"), 2) + marker(QStringLiteral("colour.pdf"), 2),
                                     m_project.path())));
    QCOMPARE(model.groups()[0].pages[0].image.cacheKey(), pageTwo);
    QCOMPARE(imagesChanged.size(), 1); // only colour.pdf p. 2 was new
}

void TestDocumentPreviewModel::sourceVanishingBeforeOpen()
{
    const QString vanishing = file(QStringLiteral("vanish.pdf"));
    QVERIFY(QFile::copy(file(QStringLiteral("good.pdf")), vanishing));
    DocumentPreviewModel model;
    // Looked up and checked, then gone before the file is opened.
    connect(&model, &DocumentPreviewModel::groupsChanged, this, [&] {
        const CitedDocument *document = documentNamed(model, QStringLiteral("vanish.pdf"));
        if (document && document->sourcePath && !document->problem)
            QFile::remove(vanishing);
    });
    QVERIFY(test::waitFor(model.load(marker(QStringLiteral("vanish.pdf"), 1) + marker(QStringLiteral("good.pdf"), 1),
                                     m_project.path())));
    QCOMPARE(model.groups().value(0).problem, QStringLiteral("Couldn't open this PDF."));
    QVERIFY(model.groups().value(0).pages.isEmpty());
    QVERIFY(model.groups().value(1).pages.value(0).hasImage());
}

void TestDocumentPreviewModel::destroyedWhileRendering()
{
    auto *model = new DocumentPreviewModel;
    whileSecondPageRenders(*model, [model] { delete model; });
    QFuture<void> loading = model->load(marker(QStringLiteral("long.pdf"), 1) + marker(QStringLiteral("long.pdf"), 2),
                                        m_project.path());
    QVERIFY(test::waitFor(loading));
    QVERIFY(loading.isCanceled());
    drain();
}

QTEST_MAIN(TestDocumentPreviewModel)
#include "test_documentpreviewmodel.moc"

void TestDocumentPreviewModel::thousandsOfFilesPublishInBatchesAndAReloadKeepsThem()
{
    // Files the corpus doesn't have: each is a header with a problem, so the load is
    // all publishing and no rendering.
    const int files = 1000;
    QString answer;
    for (int i = 0; i < files; ++i)
        answer += QStringLiteral("Point %1 %2\n").arg(i).arg(marker(QStringLiteral("missing-%1.pdf").arg(i), 1));
    DocumentPreviewModel model;
    int published = 0;
    qsizetype fewest = std::numeric_limits<qsizetype>::max();
    connect(&model, &DocumentPreviewModel::groupsChanged, this, [&] {
        ++published;
        fewest = std::min(fewest, model.groups().size());
    });
    QVERIFY(test::waitFor(model.load(answer, m_project.path())));
    QCOMPARE(model.groups().size(), files);
    QCOMPARE(model.groups().last().filename, QStringLiteral("missing-999.pdf"));
    QVERIFY(model.groups().last().problem);
    // Every step of the first rows shows at once; after that a few times a second, not
    // once per file (each publish is a pass over every row of the list).
    QVERIFY2(published < files / 2, qPrintable(QString::number(published)));

    // The answer grew by one file: the reload redoes what is shown without taking the
    // list apart, and ends with the new file.
    published = 0;
    fewest = std::numeric_limits<qsizetype>::max();
    answer += marker(QStringLiteral("good.pdf"), 1) + QLatin1Char('\n');
    QVERIFY(test::waitFor(model.load(answer, m_project.path())));
    QCOMPARE(model.groups().size(), files + 1);
    QCOMPARE(model.groups().last().pages.size(), 1);
    QVERIFY(model.groups().last().pages[0].hasImage());
    QVERIFY(fewest >= files);
    QVERIFY(published <= 5);
}
