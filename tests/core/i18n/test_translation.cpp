#include "i18n/interfacelanguage.h"
#include "i18n/translate.h"
#include "i18n/supplementarytexts.h"
#include "i18n/translationtable.h"
#include "system/settingsstore.h"
#include "support/isolatedhome.h"

#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

using namespace tovik;

class TestTranslation : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void fillFollowsTheLanguage();
    void nonKeysStayUnchanged();
    void unknownStoredValueCountsAsEnglish();
    void everyRowKeepsItsPlaceholders();
    void storeIsWrittenBeforeObserversHear();
};

void TestTranslation::fillFollowsTheLanguage()
{
    InterfaceLanguage::shared().setLanguage(AppLanguage::chinese);
    QCOMPARE(translated(QStringLiteral("Skipped {count} unsupported items."), {{QStringLiteral("count"), QStringLiteral("3")}}),
             QStringLiteral("已略過 3 個不支援的項目。"));
    InterfaceLanguage::shared().setLanguage(AppLanguage::english);
    QCOMPARE(translated(QStringLiteral("Skipped {count} unsupported items."), {{QStringLiteral("count"), QStringLiteral("3")}}),
             QStringLiteral("Skipped 3 unsupported items."));
}

void TestTranslation::nonKeysStayUnchanged()
{
    for (AppLanguage language : allAppLanguages) {
        InterfaceLanguage::shared().setLanguage(language);
        QCOMPARE(translate(QStringLiteral("English")), QStringLiteral("English"));
        QCOMPARE(translate(QStringLiteral("INFO retrieved 4 passages")), QStringLiteral("INFO retrieved 4 passages"));
        // Lookup is whole-text and case-sensitive.
        QCOMPARE(translate(QStringLiteral("ok")), QStringLiteral("ok"));
    }
    InterfaceLanguage::shared().setLanguage(AppLanguage::english);
}

void TestTranslation::unknownStoredValueCountsAsEnglish()
{
    auto store = makeSettingsStore();
    for (const char *value : {"zh-Hans", "zh-hant", "fr", ""}) {
        store->setValue(QStringLiteral("interfaceLanguage"), QString::fromLatin1(value));
        QVERIFY(!storedLanguageIsChinese());
        QCOMPARE(translate(QStringLiteral("OK")), QStringLiteral("OK"));
    }
    store->setValue(QStringLiteral("interfaceLanguage"), QStringLiteral("zh-Hant"));
    QVERIFY(storedLanguageIsChinese());
    QCOMPARE(translate(QStringLiteral("OK")), QStringLiteral("好"));
    store->remove(QStringLiteral("interfaceLanguage"));
    QVERIFY(!storedLanguageIsChinese());
}

void TestTranslation::everyRowKeepsItsPlaceholders()
{
    const QStringList keys = translationKeys();
    QCOMPARE(keys.size(), 168);
    QCOMPARE(translationTable().size(), 168); // every key once
    static const QRegularExpression placeholder(QStringLiteral("\\{[A-Za-z]+\\}"));
    auto placeholders = [](const QString &text) {
        QStringList found;
        for (auto it = placeholder.globalMatch(text); it.hasNext();)
            found.append(it.next().captured());
        found.sort();
        return found;
    };
    QStringList all = keys;
    all += supplementaryTranslations().keys();
    for (const QString &key : std::as_const(all)) {
        const QString chinese = translationTable().value(key, supplementaryTranslations().value(key));
        QVERIFY2(!chinese.isEmpty(), qPrintable(key));
        // Every row is really written in Chinese (CJK letters or full-width punctuation).
        QVERIFY2(std::any_of(chinese.cbegin(), chinese.cend(), [](QChar c) { return c.unicode() >= 0x3000; }),
                 qPrintable(key));
        QCOMPARE(placeholders(chinese), placeholders(key));
    }
}

void TestTranslation::storeIsWrittenBeforeObserversHear()
{
    InterfaceLanguage &language = InterfaceLanguage::shared();
    language.setLanguage(AppLanguage::english);
    QString seen;
    QObject context;
    connect(&language, &InterfaceLanguage::languageChanged, &context,
            [&] { seen = translate(QStringLiteral("Cancelled.")); });
    QSignalSpy spy(&language, &InterfaceLanguage::languageChanged);
    language.setLanguage(AppLanguage::chinese);
    QCOMPARE(seen, QStringLiteral("已取消。"));
    QCOMPARE(language.localeName(), QStringLiteral("zh-Hant"));
    language.setLanguage(AppLanguage::chinese);
    QCOMPARE(spy.count(), 1); // no announcement without a change
    language.setLanguage(AppLanguage::english);
}

QTEST_GUILESS_MAIN(TestTranslation)
#include "test_translation.moc"
