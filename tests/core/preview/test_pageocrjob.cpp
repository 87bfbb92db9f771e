#include "core/pdf/pdffixtures.h"
#include "preview/pageocrjob.h"
#include "support/isolatedhome.h"

#include <QtConcurrent>
#include <QtTest>

using namespace tovik;

namespace {

TextObservation line(const QString &text, const QRectF &bounds)
{
    return {text, bounds, {}};
}

QStringList lineTexts(const RecognizedPageText &page)
{
    return page.text().split(QLatin1Char('\n'));
}

// Answers with fixed lines, or fails.
class CannedRecognizer final : public TextRecognizer
{
public:
    explicit CannedRecognizer(std::optional<QList<TextObservation>> answer)
        : m_answer(std::move(answer))
    {
    }
    std::optional<QList<TextObservation>> recognize(const QImage &, const TextRecognitionRequest &,
                                                    const std::atomic_bool *) const override
    {
        return m_answer;
    }

private:
    std::optional<QList<TextObservation>> m_answer;
};

} // namespace

// The end-to-end case draws its scan with QPainter text: a QGuiApplication, offscreen.
class TestPageOCRJob : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void twoColumnsShareAVisualLineButNotALineID();
    void overlapDecidesTheGroupNotTheTop();
    void glyphsWithoutBoxesAreSpreadOrGivenTheLine();
    void emptyLinesDoNotUseALineID();
    void failureIsNone();
    void scannedPageBecomesSearchableGlyphs();
};

void TestPageOCRJob::twoColumnsShareAVisualLineButNotALineID()
{
    // Handed over out of order; the right column's top is 0.001 lower.
    const QList<TextObservation> observations = {line(QStringLiteral("Right"), QRectF(0.6, 0.799, 0.3, 0.05)),
                                                 line(QStringLiteral("Below"), QRectF(0.1, 0.7, 0.3, 0.05)),
                                                 line(QStringLiteral("Left"), QRectF(0.1, 0.8, 0.3, 0.05))};
    const RecognizedPageText page = PageOCRJob::assemble(observations);
    QCOMPARE(lineTexts(page), (QStringList{"Left", "Right", "Below"}));
    QCOMPARE(page.glyphs()[0].lineID, 0);
    QCOMPARE(page.glyphs()[4].lineID, 1);
    QCOMPARE(page.glyphs().last().lineID, 2);
    // Copying across both columns puts a line feed between them.
    QCOMPARE(page.text(GlyphIndexSet{2, 3, 4, 5}), QStringLiteral("ft\nRi"));
}

void TestPageOCRJob::overlapDecidesTheGroupNotTheTop()
{
    // B's top is 0.01 below A's, so A sorts first; they overlap by 80 % of the
    // smaller height, so B joins A's group and, being further left, goes first.
    // C overlaps B by only 40 %: a group of its own.
    const QList<TextObservation> observations = {line(QStringLiteral("C"), QRectF(0.1, 0.76, 0.2, 0.05)),
                                                 line(QStringLiteral("B"), QRectF(0.1, 0.79, 0.2, 0.05)),
                                                 line(QStringLiteral("A"), QRectF(0.5, 0.80, 0.2, 0.05))};
    QStringList order;
    for (const TextObservation &observation : PageOCRJob::visualOrder(observations))
        order.append(observation.text);
    QCOMPARE(order, (QStringList{"B", "A", "C"}));

    // Degenerate heights never join anything.
    const QList<TextObservation> flat = {line(QStringLiteral("x"), QRectF(0.5, 0.5, 0.2, 0)),
                                         line(QStringLiteral("y"), QRectF(0.1, 0.5, 0.2, 0))};
    QCOMPARE(PageOCRJob::visualOrder(flat).first().text, QStringLiteral("y"));
    QCOMPARE(PageOCRJob::assemble(flat).glyphs().last().lineID, 1);
}

void TestPageOCRJob::glyphsWithoutBoxesAreSpreadOrGivenTheLine()
{
    const QRectF box(0.1, 0.5, 0.3, 0.1);
    const auto spread = PageOCRJob::glyphsOf(line(QStringLiteral("abc"), box), 7);
    QCOMPARE(spread.size(), 3);
    for (int j = 0; j < 3; ++j) {
        QCOMPARE(spread[j].bounds, QRectF(0.1 + 0.1 * j, 0.5, 0.1, 0.1));
        QCOMPARE(spread[j].lineID, 7);
    }

    TextObservation partly = line(QStringLiteral("abc"), box);
    partly.symbols = {{0, 1, QRectF(0.1, 0.5, 0.05, 0.1)}, {1, 1, QRectF(0.2, 0.5, 0, 0.1)}};
    const auto mixed = PageOCRJob::glyphsOf(partly, 0);
    QCOMPARE(mixed[0].bounds, QRectF(0.1, 0.5, 0.05, 0.1));
    QCOMPARE(mixed[1].bounds, box); // a zero-width box counts as none
    QCOMPARE(mixed[2].bounds, box);

    // One glyph per user-perceived character: e + combining acute, a surrogate pair.
    TextObservation combined = line(QStringLiteral("e\u0301𠀋"), QRectF(0.1, 0.5, 0, 0.1));
    const auto characters = PageOCRJob::glyphsOf(combined, 0);
    QCOMPARE(characters.size(), 2);
    QCOMPARE(characters[0].text, QStringLiteral("e\u0301"));
    QCOMPARE(characters[1].text, QStringLiteral("𠀋"));
    QCOMPARE(characters[1].bounds, combined.bounds); // no width to spread

    combined.symbols = {{0, 1, QRectF(0.1, 0.5, 0.02, 0.05)}, {1, 1, QRectF(0.1, 0.55, 0.02, 0.02)}};
    QCOMPARE(PageOCRJob::glyphsOf(combined, 0)[0].bounds, QRectF(0.1, 0.5, 0.02, 0.07));
}

void TestPageOCRJob::emptyLinesDoNotUseALineID()
{
    const QList<TextObservation> observations = {line(QStringLiteral("a"), QRectF(0.1, 0.9, 0.1, 0.05)),
                                                 line(QString(), QRectF(0.1, 0.8, 0.1, 0.05)),
                                                 line(QStringLiteral("b"), QRectF(0.1, 0.7, 0.1, 0.05))};
    const RecognizedPageText page = PageOCRJob::assemble(observations);
    QCOMPARE(page.glyphs().size(), 2);
    QCOMPARE(page.glyphs()[1].lineID, 1);
}

void TestPageOCRJob::failureIsNone()
{
    QImage image(10, 10, QImage::Format_RGB32);
    PageOCRJob failing(image, {}, std::make_shared<CannedRecognizer>(std::nullopt));
    QCOMPARE(failing.run(), std::nullopt);

    PageOCRJob nothing(image, {}, std::make_shared<CannedRecognizer>(QList<TextObservation>()));
    QVERIFY(nothing.run());
    QVERIFY(nothing.run()->isEmpty());

    PageOCRJob cancelled(image, {}, std::make_shared<CannedRecognizer>(QList<TextObservation>{line("a", {})}));
    cancelled.cancel();
    QCOMPARE(cancelled.run(), std::nullopt);
}

void TestPageOCRJob::scannedPageBecomesSearchableGlyphs()
{
    const QImage scan = test::scannedTextImage({QStringLiteral("Invoice number 4521, paid."),
                                                QStringLiteral("本季報告顯示營收成長")});
    auto job = std::make_shared<PageOCRJob>(scan);
    const std::optional<RecognizedPageText> page = QtConcurrent::run([job] { return job->run(); }).result();
    QVERIFY(page);
    qInfo().noquote() << "recognized:" << page->text();

    const auto invoice = page->search(QStringLiteral("invoice"));
    QCOMPARE(invoice.size(), 1);
    QCOMPARE(invoice[0].glyphs.size(), size_t(7));
    const auto report = page->search(QStringLiteral("報告"));
    QCOMPARE(report.size(), 1);
    const qsizetype first = *report[0].glyphs.begin();
    const RecognizedPageText::Glyph &glyph = page->glyphs()[first];
    QCOMPARE(glyph.text, QStringLiteral("報"));
    // Its box is where it was drawn: the second line, well below the first.
    QVERIFY(glyph.bounds.top() < page->glyphs()[*invoice[0].glyphs.begin()].bounds.top());
    QCOMPARE(page->glyphAt(glyph.bounds.center()), first);
    // Chinese runs are words; the comma after the number is not part of it.
    const qsizetype four = page->text().indexOf(QStringLiteral("4521"));
    QCOMPARE(page->text(GlyphIndexSet{four}), QStringLiteral("4"));
    const auto number = page->wordRange(four);
    QCOMPARE(number.upper - number.lower, 4);
    QCOMPARE(page->wordRange(first).upper - page->wordRange(first).lower, 10);
}

QTEST_MAIN(TestPageOCRJob)
#include "test_pageocrjob.moc"
