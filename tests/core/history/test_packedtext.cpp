#include "history/packedtext.h"
#include "history/packedtextdictionary.h"
#include "history/packedtextreading.h"
#include "history/packedtextscratch.h"
#include "support/everydaywords.h"

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
    // Last: the dictionary, once made, stays for the rest of the process.
    void withTheDictionaryShortAnswersCompressAndComeBackExactly();
};

namespace {

struct Case
{
    const char *name;
    QString text;
    PackedText::Form form; // before the process has a dictionary
};

QList<Case> textsOfEveryKind()
{
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
    using Form = PackedText::Form;
    return {
        {"empty", QString(), Form::utf8},
        {"short English", QStringLiteral("Who approved it?"), Form::utf8},
        {"varied English", varied, Form::utf8},
        {"repeated English", english.repeated(20), Form::compressedUtf8},
        {"short Chinese", chinese, Form::utf16},
        {"varied Chinese", variedChinese, Form::utf16},
        {"repeated Chinese", chinese.repeated(50), Form::compressedUtf8},
        {"mixed, once", english + chinese, Form::utf8},
        {"byte order mark first", QChar(0xFEFF) + english, Form::utf8},
        {"emoji and accents", QStringLiteral("Café ☕ 😀 naïve résumé"), Form::utf8},
        // UTF-8 cannot hold a lone surrogate: such a text stays as it is.
        {"lone high surrogate", english.repeated(5) + QChar(0xD800) + QStringLiteral("x"), Form::utf16},
        {"lone low surrogate", QChar(0xDC00) + english, Form::utf16},
        {"surrogates reversed", QString(QChar(0xDC00)) + QChar(0xD800), Form::utf16},
        {"high surrogate last", QStringLiteral("abc") + QChar(0xDBFF), Form::utf16},
        {"nul and controls", QString::fromUtf16(u"a\0b\r\n\x0b\x85 c", 9), Form::utf8},
    };
}

} // namespace

void TestPackedText::everyTextComesBackExactly_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<PackedText::Form>("form");
    for (const Case &kind : textsOfEveryKind())
        QTest::newRow(kind.name) << kind.text << kind.form;
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

    PackedTextScratch scratch;
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
    PackedTextScratch scratch;
    PackedTextReading reading(packed, scratch);
    const QByteArrayView first = reading.utf8();
    QCOMPARE(first.toByteArray(), text.toUtf8());
    QCOMPARE(static_cast<const void *>(reading.utf8().data()), static_cast<const void *>(first.data()));
    QCOMPARE(reading.toString(), text);
    // The next text of no more bytes goes into the same buffer.
    const QString other = QStringLiteral("Answer with a citation [report.pdf p. 4]. ").repeated(30);
    const PackedText otherPacked = PackedText::fromString(other);
    PackedTextReading next(otherPacked, scratch);
    QCOMPARE(static_cast<const void *>(next.utf8().data()), static_cast<const void *>(first.data()));
    QCOMPARE(next.toString(), other);

    // A buffer left longer by a bigger text before is reused, and only what this text
    // holds is read.
    PackedTextScratch bigger;
    const QString huge = QStringLiteral("x").repeated(2 << 20);
    QCOMPARE(PackedText::fromString(huge).utf8(bigger).size(), huge.size());
    PackedTextReading again(packed, bigger);
    QCOMPARE(again.utf8().toByteArray(), text.toUtf8());

    const PackedText chinese = PackedText::fromString(QStringLiteral("陳先生"));
    PackedTextReading wide(chinese, scratch);
    QCOMPARE(wide.toString(), QStringLiteral("陳先生"));
    QVERIFY(wide.utf8().isEmpty());
}

void TestPackedText::withTheDictionaryShortAnswersCompressAndComeBackExactly()
{
    // Answers as a model writes them: everyday words in new orders, a few hundred bytes
    // each, with little that repeats within one answer.
    QRandomGenerator random(3);
    const QStringList words = test::everydayWords(random, 400);
    const auto answer = [&] {
        QString text;
        while (text.size() < 300) {
            text += words.at(random.bounded(words.size()));
            text += random.bounded(8) == 0 ? QStringLiteral(". ") : QStringLiteral(" ");
        }
        return text;
    };
    const QString shortAnswer = answer();
    // Longer than the dictionary: unpacked, it covers all of the dictionary's copy.
    const QString repeated = QStringLiteral("The gauge was read at noon [log.pdf p. 2]. ").repeated(800);
    const PackedText before = PackedText::fromString(shortAnswer);
    const PackedText repeatedBefore = PackedText::fromString(repeated);
    QCOMPARE(before.form(), PackedText::Form::utf8);
    QCOMPARE(repeatedBefore.form(), PackedText::Form::compressedUtf8);

    // Too little to learn from: no dictionary.
    PackedTextDictionary::Sample sample;
    sample.add(answer().toUtf8());
    QVERIFY(!PackedTextDictionary::makeIfNone(sample.bytes()));
    QVERIFY(!PackedTextDictionary::current());
    for (int i = 0; i < 200 && !sample.isFull(); ++i)
        sample.add((answer() + answer()).toUtf8());
    QVERIFY(sample.isFull());
    QCOMPARE(sample.bytes().size(), PackedTextDictionary::maximumSize);
    const PackedTextDictionary *dictionary = PackedTextDictionary::makeIfNone(sample.bytes());
    QVERIFY(dictionary);
    QCOMPARE(PackedTextDictionary::current(), dictionary);
    QCOMPARE(PackedTextDictionary::makeIfNone(QByteArray(8192, 'z')), dictionary); // made once

    const PackedText after = PackedText::fromString(shortAnswer);
    QCOMPARE(after.form(), PackedText::Form::compressedUtf8WithDictionary);
    QVERIFY2(after.storedBytes() <= shortAnswer.toUtf8().size() * 3 / 4, qPrintable(QString::number(after.storedBytes())));
    QCOMPARE(after.toString(), shortAnswer);
    QCOMPARE(PackedText::fromUtf8(shortAnswer.toUtf8()), after);
    // The same text packed before and after the dictionary was made is the same text.
    QCOMPARE(after, before);
    QCOMPARE(PackedText::fromString(repeated), repeatedBefore);
    QVERIFY(PackedText::fromString(answer().left(shortAnswer.size())) != before);

    // One buffer, read through in every order: with the dictionary, without it (the
    // text goes where the dictionary's copy was), with it again, a bigger one, a small one.
    QList<QString> texts;
    QList<PackedText> packed;
    for (int i = 0; i < 30; ++i) {
        texts.append(i % 5 == 4 ? repeated : i % 7 == 6 ? answer().repeated(40) : answer());
        packed.append(i % 5 == 4 ? repeatedBefore : PackedText::fromString(texts.last()));
    }
    PackedTextScratch scratch;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        PackedTextReading reading(packed.at(i), scratch);
        QVERIFY2(reading.toString() == texts.at(i), qPrintable(QString::number(i)));
    }
    QCOMPARE(packed.at(4).form(), PackedText::Form::compressedUtf8);
    QCOMPARE(packed.at(6).form(), PackedText::Form::compressedUtf8WithDictionary);
    QVERIFY(packed.at(6).storedBytes() < texts.at(6).size() / 4);

    // And every kind of text still comes back exactly, through the same buffer.
    for (const Case &kind : textsOfEveryKind()) {
        const PackedText text = PackedText::fromString(kind.text);
        QVERIFY2(PackedTextReading(text, scratch).toString() == kind.text, kind.name);
        if (kind.form != PackedText::Form::utf16 && !kind.text.startsWith(QChar(0xFEFF)))
            QVERIFY2(PackedText::fromUtf8(kind.text.toUtf8()) == text, kind.name);
        const bool compressedBefore = kind.form == PackedText::Form::compressedUtf8;
        QVERIFY2((text.form() == PackedText::Form::compressedUtf8WithDictionary) == compressedBefore
                     || (kind.form == PackedText::Form::utf8 && text.isCompressed()),
                 kind.name);
    }
}

QTEST_GUILESS_MAIN(TestPackedText)
#include "test_packedtext.moc"
