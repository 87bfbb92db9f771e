#include "history/packedtext.h"
#include "history/packedtextreading.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace tovik;

class TestPackedText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyTextComesBackExactly_data();
    void everyTextComesBackExactly();
    void bytesFromTheStoreReadAsQtReadsThem();
    void readingUnpacksOnceIntoTheCallersBuffer();
};

void TestPackedText::everyTextComesBackExactly_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<PackedText::Form>("form");

    const QString english = QStringLiteral("The report says the budget grew by 12% in 2023 [Source: report.pdf p. 3]. ");
    const QString chinese = QStringLiteral("預算增加的原因是人手及設備開支上升。");
    // Text that does not repeat: compression gains too little to be worth unpacking.
    QString varied;
    QString variedChinese;
    QRandomGenerator random(7);
    for (int i = 0; i < 400; ++i) {
        varied += QChar(u'a' + random.bounded(26));
        variedChinese += QChar(char16_t(0x4E00 + random.bounded(0x5000)));
    }

    QTest::newRow("empty") << QString() << PackedText::Form::utf8;
    QTest::newRow("short English") << QStringLiteral("Who approved it?") << PackedText::Form::utf8;
    QTest::newRow("varied English") << varied << PackedText::Form::utf8;
    QTest::newRow("repeated English") << english.repeated(20) << PackedText::Form::compressedUtf8;
    QTest::newRow("short Chinese") << chinese << PackedText::Form::utf16;
    QTest::newRow("varied Chinese") << variedChinese << PackedText::Form::utf16;
    QTest::newRow("repeated Chinese") << chinese.repeated(50) << PackedText::Form::compressedUtf8;
    QTest::newRow("mixed, once") << (english + chinese) << PackedText::Form::utf8;
    QTest::newRow("byte order mark first") << (QChar(0xFEFF) + english) << PackedText::Form::utf8;
    QTest::newRow("emoji and accents") << QStringLiteral("Café ☕ 😀 naïve résumé") << PackedText::Form::utf8;
    // UTF-8 cannot hold a lone surrogate: such a text stays as it is.
    QTest::newRow("lone high surrogate") << (english.repeated(5) + QChar(0xD800) + QStringLiteral("x"))
                                         << PackedText::Form::utf16;
    QTest::newRow("lone low surrogate") << (QChar(0xDC00) + english) << PackedText::Form::utf16;
    QTest::newRow("surrogates reversed") << (QString(QChar(0xDC00)) + QChar(0xD800)) << PackedText::Form::utf16;
    QTest::newRow("high surrogate last") << (QStringLiteral("abc") + QChar(0xDBFF)) << PackedText::Form::utf16;
    QTest::newRow("nul and controls") << QString::fromUtf16(u"a\0b\r\n\x0b\x85 c", 9) << PackedText::Form::utf8;
}

void TestPackedText::everyTextComesBackExactly()
{
    QFETCH(QString, text);
    QFETCH(PackedText::Form, form);

    const PackedText packed = PackedText::fromString(text);
    QCOMPARE(packed.toString(), text);
    QCOMPARE(packed.length(), text.size());
    QCOMPARE(packed.isEmpty(), text.isEmpty());
    QCOMPARE(packed.form(), form);
    // Never more than the text's smaller plain form.
    const qsizetype utf8Size = form == PackedText::Form::utf16 ? text.size() * 2 : text.toUtf8().size();
    QVERIFY2(packed.storedBytes() <= std::min<qsizetype>(utf8Size, text.size() * 2),
             qPrintable(QString::number(packed.storedBytes())));

    QByteArray scratch;
    if (form == PackedText::Form::utf16) {
        QCOMPARE(packed.utf16(), QStringView(text));
        QVERIFY(packed.utf8(scratch).isEmpty());
    } else {
        QCOMPARE(packed.utf8(scratch).toByteArray(), text.toUtf8());
        QVERIFY(packed.utf16().isEmpty());
        // The same text read from the store packs the same way, and compares equal
        // (the store's reading drops a leading byte order mark, as Qt's does).
        if (!text.startsWith(QChar(0xFEFF)))
            QCOMPARE(PackedText::fromUtf8(text.toUtf8()), packed);
    }
    QVERIFY(PackedText::fromString(text + QLatin1Char('.')) != packed);
    const PackedText copy = packed;
    QCOMPARE(copy.storage(), packed.storage());
}

void TestPackedText::bytesFromTheStoreReadAsQtReadsThem()
{
    // Pieces that make well-formed and broken UTF-8 alike: overlong forms, encoded
    // surrogates, code points past U+10FFFF, lone continuation bytes, cut sequences.
    const QList<QByteArray> pieces{
        "a", "Z", " ", "The budget ", "\n", QByteArray("\0", 1), "\xEF\xBB\xBF", "\xC3\xA9", "\xE9\xA0\x90",
        "\xF0\x9F\x98\x80", "\xC0\x80", "\xC1\xBF", "\xE0\x80\x80", "\xE0\x9F\xBF", "\xED\xA0\x80", "\xED\x9F\xBF",
        "\xEE\x80\x80", "\xF0\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF", "\xF4\x90\x80\x80", "\xF5\x80\x80\x80", "\xFF",
        "\x80", "\xBF", "\xC3", "\xE9\xA0", "\xF0\x9F\x98", "預算增加的原因", "12345678"};
    QRandomGenerator random(11);
    for (int round = 0; round < 4000; ++round) {
        QByteArray bytes;
        const int count = int(random.bounded(1, round % 10 == 0 ? 200 : 12));
        for (int i = 0; i < count; ++i)
            bytes += pieces.at(random.bounded(pieces.size()));
        const QString expected = QString::fromUtf8(bytes);
        const PackedText packed = PackedText::fromUtf8(bytes);
        QVERIFY2(packed.toString() == expected, bytes.toHex().constData());
        QCOMPARE(packed.length(), expected.size());
        QCOMPARE(packed, PackedText::fromString(expected));
    }
}

void TestPackedText::readingUnpacksOnceIntoTheCallersBuffer()
{
    const QString text = QStringLiteral("Answer with a citation [report.pdf p. 3]. ").repeated(30);
    const PackedText packed = PackedText::fromString(text);
    QCOMPARE(packed.form(), PackedText::Form::compressedUtf8);
    QByteArray scratch;
    PackedTextReading reading(packed, scratch);
    const QByteArrayView first = reading.utf8();
    QCOMPARE(first.toByteArray(), text.toUtf8());
    QCOMPARE(first.data(), scratch.constData());
    QCOMPARE(reading.utf8().data(), first.data());
    QCOMPARE(reading.toString(), text);

    // A buffer left longer by a bigger text before is reused, and only what this text
    // holds is read.
    QByteArray bigger(100000, 'x');
    PackedTextReading again(packed, bigger);
    QCOMPARE(again.utf8().toByteArray(), text.toUtf8());

    const PackedText chinese = PackedText::fromString(QStringLiteral("陳先生"));
    PackedTextReading wide(chinese, scratch);
    QCOMPARE(wide.toString(), QStringLiteral("陳先生"));
    QVERIFY(wide.utf8().isEmpty());
}

QTEST_GUILESS_MAIN(TestPackedText)
#include "test_packedtext.moc"
