#include "history/historylistmodel.h"
#include "history/historyrowdelegate.h"
#include "history/onelinefit.h"

#include <QFont>
#include <QRandomGenerator>
#include <QtTest>

using namespace tovik;

// The history rows are sized from OneLineFit's quick answer; a row sized for one line
// whose text needs two would be painted over the next row.
class TestOneLineFit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void agreesWithLayingTheTextOut_data();
    void agreesWithLayingTheTextOut();
    void rowHeightFollowsTheWidth();
    void aLongAnswerTakesTwoLinesAShortOneOne();
};

void TestOneLineFit::agreesWithLayingTheTextOut_data()
{
    QTest::addColumn<QStringList>("pieces");
    QTest::newRow("english") << QStringList{QStringLiteral("What "), QStringLiteral("did "), QStringLiteral("WWW "),
                                            QStringLiteral("iii "), QStringLiteral("the committee "), QStringLiteral("12% ")};
    QTest::newRow("chinese") << QStringList{QStringLiteral("預算"), QStringLiteral("增加"), QStringLiteral("。"),
                                            QStringLiteral("陳大文"), QStringLiteral("（附件）")};
    QTest::newRow("mixed with line breaks") << QStringList{QStringLiteral("Budget "), QStringLiteral("預算 "),
                                                           QStringLiteral("\n"), QStringLiteral("p. 3 "),
                                                           QStringLiteral("[來源: report.pdf p. 3]")};
    QTest::newRow("kerned and joined letters")
        << QStringList{QStringLiteral("AV"), QStringLiteral("To"), QStringLiteral("Wa"), QStringLiteral("ffi"),
                       QStringLiteral("Ty"), QStringLiteral("LT"), QStringLiteral("YA")};
    QTest::newRow("many line breaks") << QStringList{QStringLiteral("\n"), QStringLiteral("\n\n"), QStringLiteral("word\n"),
                                                     QStringLiteral("x")};
    QTest::newRow("other scripts") << QStringList{QStringLiteral("Ελλάδα "), QStringLiteral("مرحبا "),
                                                  QStringLiteral("e\u0301 "),
                                                  QStringLiteral("ffi ")};
}

void TestOneLineFit::agreesWithLayingTheTextOut()
{
    QFETCH(QStringList, pieces);
    QFont caption;
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    QRandomGenerator random(7);
    for (const QFont &font : {QFont(), caption}) {
        const OneLineFit fit(font);
        int fitted = 0;
        for (int sample = 0; sample < 400; ++sample) {
            QString text;
            const int count = random.bounded(1, 30);
            for (int i = 0; i < count; ++i)
                text += pieces.at(random.bounded(int(pieces.size())));
            const int width = random.bounded(40, 400);
            const bool exact = fit.fitsExactly(text, width);
            QVERIFY2(fit.fits(text, width) == exact, qPrintable(QStringLiteral("%1 at %2 px").arg(text).arg(width)));
            fitted += exact ? 1 : 0;
        }
        // Both answers came up.
        QVERIFY(fitted > 20 && fitted < 380);
    }
}

void TestOneLineFit::rowHeightFollowsTheWidth()
{
    HistoryListModel model;
    model.setVisibleRecords({{1, QDateTime::currentDateTimeUtc(), QStringLiteral("Who calibrated the tidal gauge?"),
                              QStringLiteral("Ines Marlow."), {}}});
    HistoryRowDelegate delegate;
    QStyleOptionViewItem option;
    option.font = QFont();
    const auto heightAt = [&](int width) {
        option.rect = QRect(0, 0, width, 10);
        return delegate.sizeHint(option, model.index(0)).height();
    };
    const int wide = heightAt(900);
    const int narrow = heightAt(150);
    QVERIFY2(narrow > wide, qPrintable(QStringLiteral("%1 vs %2").arg(narrow).arg(wide)));
    QCOMPARE(heightAt(900), wide);

    // A larger font wraps where the smaller one did not; the rows are measured again.
    option.font.setPointSizeF(option.font.pointSizeF() * 3);
    const HistoryRowDelegate fresh;
    for (const int width : {900, 400, 150}) {
        option.rect = QRect(0, 0, width, 10);
        QCOMPARE(delegate.sizeHint(option, model.index(0)), fresh.sizeHint(option, model.index(0)));
    }
}

void TestOneLineFit::aLongAnswerTakesTwoLinesAShortOneOne()
{
    // A long answer is known to need two lines from its length alone; a short one, or
    // none ("No answer yet"), takes one.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    HistoryListModel model;
    model.setVisibleRecords({{3, now, QStringLiteral("Tide?"), QStringLiteral("Ines Marlow."), {}},
                             {2, now, QStringLiteral("Tide?"), QString(), {}},
                             {1, now, QStringLiteral("Tide?"), QStringLiteral("The gauge was read at noon. ").repeated(100), {}}});
    HistoryRowDelegate delegate;
    QStyleOptionViewItem option;
    option.font = QFont();
    option.rect = QRect(0, 0, 900, 10);
    const int shortRow = delegate.sizeHint(option, model.index(0)).height();
    QCOMPARE(delegate.sizeHint(option, model.index(1)).height(), shortRow);
    QVERIFY2(delegate.sizeHint(option, model.index(2)).height() > shortRow, qPrintable(QString::number(shortRow)));
}

QTEST_MAIN(TestOneLineFit)
#include "test_onelinefit.moc"
