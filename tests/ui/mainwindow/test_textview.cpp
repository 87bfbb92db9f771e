#include "mainwindow/textsegments.h"
#include "mainwindow/textview.h"
#include "support/isolatedhome.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QSignalSpy>
#include <QToolTip>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QtTest>

using namespace tovik;

namespace {

// A point of the view on the marker citing `filename`.
std::optional<QPoint> pointOnMarker(const TextView &view, const QString &filename)
{
    const QRect area = view.viewport()->rect();
    for (int y = 1; y < area.height(); y += 2) {
        for (int x = 1; x < area.width(); x += 3) {
            if (const auto marker = view.citationAt(QPoint(x, y)); marker && marker->filename == filename)
                return QPoint(x, y);
        }
    }
    return std::nullopt;
}

QList<qsizetype> startsOf(const TextSegments &segments)
{
    QList<qsizetype> starts;
    for (qsizetype index = 0; index < segments.count(); ++index)
        starts.append(segments.start(index));
    return starts;
}

QString lines(int from, int count)
{
    QString text;
    for (int line = from; line < from + count; ++line)
        text += QStringLiteral("line %1\n").arg(line);
    return text;
}

} // namespace

class TestTextView : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void piecesCoverTheTextAndStayShort_data();
    void piecesCoverTheTextAndStayShort();
    void growingTextIsCutAsIfReadAtOnce();
    void copiesExactlyTheSelectedText();
    void followsTheEndOnlyFromTheBottom();
    void hugeTextIsCutOverSeveralTurns();
    void showsAnotherObjectsTextUntilItIsGone();
    void markersAreLinksForTheMouse();
    void tabWalksTheMarkersOfALongText();
};

void TestTextView::piecesCoverTheTextAndStayShort_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("pieces");
    QTest::newRow("empty") << QString() << 1;
    QTest::newRow("short lines") << QStringLiteral("a\nbb\n\nccc") << 4;
    QTest::newRow("final line feed") << QStringLiteral("a\n") << 2;
    QTest::newRow("lines of tens and hundreds")
        << QString(40, u'a') + QLatin1Char('\n') + QString(500, u'b') + QLatin1Char('\n') + QLatin1Char('c') << 3;
    QTest::newRow("no spaces") << QString(3000, QLatin1Char('x')) << 3;
    // A space close to the limit takes the cut, which then falls right after it.
    QTest::newRow("space near the limit") << QString(1000, QLatin1Char('x')) + QLatin1Char(' ') + QString(1500, u'y') << 3;
    // A pair cut at the limit would leave half a character in each piece.
    QString pairs = QString(TextSegments::maxLength - 1, QLatin1Char('x'));
    for (int i = 0; i < 600; ++i)
        pairs += QStringLiteral("\U0001F600");
    QTest::newRow("surrogate pairs at the limit") << pairs << 3;
    // Thousands of lines: pieces are kept in blocks of a few thousand.
    QString many;
    for (int i = 0; i < 9000; ++i)
        many += QString(1 + i % 13, QLatin1Char('a' + i % 26)) + QLatin1Char('\n');
    many += QString(2500, u'z');
    QTest::newRow("thousands of lines") << many << 9003;
    // Lines just under, at and just over the limit among short ones: up to 1023
    // characters a line is one piece, from 1024 on it is cut.
    QString nearLimit;
    for (int length = 1015; length <= 1030; ++length)
        nearLimit += QStringLiteral("a\nb\n") + QString(length, QLatin1Char('l')) + QLatin1Char('\n');
    QTest::newRow("lines near the limit") << nearLimit << 16 * 2 + 9 + 7 * 2 + 1;
}

void TestTextView::piecesCoverTheTextAndStayShort()
{
    QFETCH(QString, text);
    QFETCH(int, pieces);
    TextSegments segments;
    segments.update(text);
    QCOMPARE(segments.count(), pieces);
    QString joined;
    for (qsizetype index = 0; index < segments.count(); ++index) {
        const qsizetype start = segments.start(index);
        const qsizetype end = segments.end(text, index);
        QVERIFY(end - start <= TextSegments::maxLength);
        const QStringView piece = QStringView(text).sliced(start, end - start);
        QVERIFY(!piece.contains(u'\n'));
        QVERIFY(piece.isEmpty() || !piece.back().isHighSurrogate());
        if (index > 0 && start > 0 && text[start - 1] == u'\n')
            joined += QLatin1Char('\n');
        joined += piece;
        QCOMPARE(segments.indexOf(start), index);
        QCOMPARE(segments.indexOf(start + (end - start) / 2), index);
    }
    QCOMPARE(segments.indexOf(-1), 0);
    QCOMPARE(segments.indexOf(text.size() + 5), segments.count() - 1);
    QCOMPARE(joined, text);
    if (QByteArray(QTest::currentDataTag()) == "space near the limit")
        QCOMPARE(segments.start(1), 1001);
}

void TestTextView::growingTextIsCutAsIfReadAtOnce()
{
    const QStringList atoms{QStringLiteral("word "), QStringLiteral("\n"), QString(700, u'z'),
                            QStringLiteral("\U0001F600"), QStringLiteral(" ")};
    QRandomGenerator random(20240613);
    for (int round = 0; round < 100; ++round) {
        QString text;
        TextSegments growing;
        for (int step = 0; step < 30; ++step) {
            text += atoms[random.bounded(int(atoms.size()))];
            growing.update(text);
        }
        TextSegments atOnce;
        QVERIFY(atOnce.update(text));
        QCOMPARE(startsOf(growing), startsOf(atOnce));
        // Cut a little at a time: the same pieces once the end is reached.
        TextSegments bySteps;
        while (!bySteps.update(text, random.bounded(1, 2000))) {
            QVERIFY(bySteps.size() < text.size());
            QCOMPARE(bySteps.start(bySteps.count() - 1), bySteps.size());
        }
        QCOMPARE(startsOf(bySteps), startsOf(atOnce));
        QCOMPARE(bySteps.size(), text.size());
    }

    // A stream of short lines, read as it grows, past several blocks of pieces: the last
    // piece is cut again each time, also when it is the only one of its block.
    QString stream;
    TextSegments growing;
    for (int step = 0; step < 3000; ++step) {
        const int lineCount = random.bounded(0, 8);
        for (int i = 0; i < lineCount; ++i)
            stream += QStringLiteral("row\n");
        stream += QString(random.bounded(0, 3), u'p');
        growing.update(stream);
    }
    TextSegments atOnce;
    QVERIFY(atOnce.update(stream));
    QVERIFY(atOnce.count() > 9000);
    QCOMPARE(startsOf(growing), startsOf(atOnce));
    growing.clear();
    QCOMPARE(growing.count(), 1);
    QCOMPARE(growing.start(0), 0);
}

void TestTextView::copiesExactlyTheSelectedText()
{
    // A line far too long to lay out at once is cut into pieces for the screen only:
    // what is copied has no line breaks that the text does not have.
    const QString text = QStringLiteral("alpha beta\n") + QString(3000, u'x') + QStringLiteral("\u00A0end\ngamma");
    TextView view;
    view.resize(300, 200);
    view.setText(text);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QVERIFY(view.pieceCount() > 3);

    view.selectAll();
    view.setFocus();
    QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), text);

    view.select(2000, 1000); // across the cut at 1035, from either end
    view.copy();
    QCOMPARE(QGuiApplication::clipboard()->text(), text.mid(1000, 1000));

    // A double click takes the word under the pointer.
    QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, QPoint(TextView::margin + 3, TextView::margin + 3));
    QCOMPARE(view.selectedText(), QStringLiteral("alpha"));
}

void TestTextView::followsTheEndOnlyFromTheBottom()
{
    QObject owner;
    QString answer;
    TextView view;
    view.resize(300, 200);
    view.setSource(&owner, &answer, true);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const auto append = [&](int from, int count) {
        answer += lines(from, count);
        view.sourceAppended();
    };

    // Lines arriving in a flood are shown once a frame: the view reaches the new end
    // on a later turn.
    append(0, 200);
    QTRY_VERIFY(view.isAtBottom());
    QCOMPARE(view.text(), answer.chopped(1)); // shown without its final line feed

    view.scrollToTop();
    QSignalSpy ranged(view.verticalScrollBar(), &QScrollBar::rangeChanged);
    append(200, 50);
    QTRY_VERIFY(!ranged.isEmpty()); // laid out with the new lines
    QCOMPARE(view.verticalScrollBar()->value(), 0); // a reader up in the text stays there
    QVERIFY(!view.isAtBottom());

    view.scrollToBottom();
    append(250, 50);
    QTRY_VERIFY(view.isAtBottom());
    QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());
    // Lines arriving again before the view has shown the last ones: it still follows.
    append(300, 50);
    append(350, 50);
    append(400, 50);
    QTRY_VERIFY(view.isAtBottom());
    QCOMPARE(view.verticalScrollBar()->value(), view.verticalScrollBar()->maximum());

    // A text replaced other than by appending starts at the top again.
    answer = lines(0, 500);
    view.sourceReplaced();
    QCOMPARE(view.verticalScrollBar()->value(), 0);
    QCOMPARE(view.text(), answer.chopped(1));
}

void TestTextView::hugeTextIsCutOverSeveralTurns()
{
    // Megabytes arriving at once are cut into pieces a few megabytes per turn: the first
    // turn leaves pieces for later, and the view ends with all of them, still following
    // the end and copying the exact text.
    QObject owner;
    QString answer = lines(0, 10);
    TextView view;
    view.resize(300, 200);
    view.setSource(&owner, &answer, false);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.scrollToBottom();

    answer += QString(12 << 20, u'y');
    view.sourceAppended();
    TextSegments whole;
    whole.update(answer);
    const qsizetype allPieces = whole.count();
    QVERIFY2(view.pieceCount() < allPieces / 2, qPrintable(QString::number(view.pieceCount())));
    QTRY_COMPARE(view.pieceCount(), allPieces);
    QVERIFY(view.isAtBottom());
    QCOMPARE(view.text().size(), answer.size());

    // Set anew, a huge text is cut in steps too, from the top.
    answer = QString(12 << 20, u'z') + QStringLiteral("\nend");
    view.sourceReplaced();
    QVERIFY(view.pieceCount() < allPieces / 2);
    whole.clear();
    whole.update(answer);
    QTRY_COMPARE(view.pieceCount(), whole.count());
    QCOMPARE(view.verticalScrollBar()->value(), 0);
}

void TestTextView::showsAnotherObjectsTextUntilItIsGone()
{
    auto owner = std::make_unique<QObject>();
    const QString answer = lines(0, 5);
    TextView view;
    view.setSource(owner.get(), &answer, false);
    QCOMPARE(view.text(), answer);
    view.selectAll();
    owner.reset();
    QCOMPARE(view.text(), QString());
    QCOMPARE(view.selectedText(), QString());
    view.resize(200, 100);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view)); // and paints nothing, without a crash
}

void TestTextView::markersAreLinksForTheMouse()
{
    TextView view;
    view.resize(500, 200);
    const QString text = QStringLiteral("Revenue rose 18 percent [來源: a.pdf p. 2] and sales grew [來源: b.pdf p. 9].");
    view.setText(text);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    QVERIFY(!pointOnMarker(view, QStringLiteral("a.pdf"))); // plain text until asked
    view.setCitationLinks(true);
    const std::optional<QPoint> onA = pointOnMarker(view, QStringLiteral("a.pdf"));
    const std::optional<QPoint> onB = pointOnMarker(view, QStringLiteral("b.pdf"));
    QVERIFY(onA && onB);
    QVERIFY(!view.citationAt(QPoint(6, onA->y()))); // "Revenue" on the same line

    QSignalSpy activated(&view, &TextView::citationActivated);
    QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, *onB);
    QCOMPARE(activated.count(), 1);
    const auto marker = activated.first().first().value<CitationMarker>();
    QCOMPARE(marker.filename, QStringLiteral("b.pdf"));
    QCOMPARE(marker.page, 9);
    QCOMPARE(text.mid(marker.range.location, marker.range.length), QStringLiteral("[來源: b.pdf p. 9]"));

    // A drag that starts on a marker selects text and opens nothing.
    QTest::mousePress(view.viewport(), Qt::LeftButton, {}, *onA);
    QTest::mouseMove(view.viewport(), QPoint(6, onA->y()));
    QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, QPoint(6, onA->y()));
    QCOMPARE(activated.count(), 1);
    QVERIFY(view.selectedText().contains(QStringLiteral("Revenue")));

    // The tooltip names the page; the cursor shows the marker can be clicked.
    QHelpEvent help(QEvent::ToolTip, *onA, view.viewport()->mapToGlobal(*onA));
    QApplication::sendEvent(view.viewport(), &help);
    QTRY_VERIFY(QToolTip::isVisible());
    QCOMPARE(QToolTip::text(), QStringLiteral("Show page 2 of a.pdf"));
    QTest::mouseMove(view.viewport(), *onA);
    QCOMPARE(view.viewport()->cursor().shape(), Qt::PointingHandCursor);
    QTest::mouseMove(view.viewport(), QPoint(6, onA->y()));
    QCOMPARE(view.viewport()->cursor().shape(), Qt::IBeamCursor);
}

void TestTextView::tabWalksTheMarkersOfALongText()
{
    QWidget window;
    auto *view = new TextView(&window);
    auto *after = new QLineEdit(&window);
    auto *column = new QVBoxLayout(&window);
    column->addWidget(view);
    column->addWidget(after);
    window.resize(400, 200);
    // Markers far apart, beyond what is on screen and beyond one backwards step.
    QString text = QStringLiteral("Top claim [來源: a.pdf p. 1]\n");
    text += lines(0, 20000);
    text += QStringLiteral("Far claim [來源: b.pdf p. 2]\n");
    text += lines(0, 10000);
    view->setText(text);
    view->setCitationLinks(true);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    view->setFocus(Qt::TabFocusReason);
    QSignalSpy activated(view, &TextView::citationActivated);

    QTest::keyClick(view, Qt::Key_Tab);
    QCOMPARE(view->focusedCitation()->filename, QStringLiteral("a.pdf"));
    QTest::keyClick(view, Qt::Key_Tab);
    QCOMPARE(view->focusedCitation()->filename, QStringLiteral("b.pdf"));
    // The far marker was scrolled into view.
    QVERIFY(pointOnMarker(*view, QStringLiteral("b.pdf")));
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(activated.count(), 1);
    QCOMPARE(activated.first().first().value<CitationMarker>().filename, QStringLiteral("b.pdf"));
    QTest::keyClick(view, Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(view->focusedCitation()->filename, QStringLiteral("a.pdf"));
    QTest::keyClick(view, Qt::Key_Backtab, Qt::ShiftModifier);
    QVERIFY(!view->focusedCitation());
    QVERIFY(!view->hasFocus());
    // Return without a marker reached does nothing.
    view->setFocus(Qt::TabFocusReason);
    QTest::keyClick(view, Qt::Key_Return);
    QCOMPARE(activated.count(), 1);
    // Past the last marker, Tab goes on to the next field.
    view->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(view, Qt::Key_Tab);
    QTest::keyClick(view, Qt::Key_Tab);
    QTest::keyClick(view, Qt::Key_Tab);
    QTRY_VERIFY(after->hasFocus());
}

QTEST_MAIN(TestTextView)
#include "test_textview.moc"
