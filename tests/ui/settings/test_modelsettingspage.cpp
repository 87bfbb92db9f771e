#include "i18n/interfacelanguage.h"
#include "modelserver/modelserversettings.h"
#include "settings/modelsettingspage.h"
#include "settings/modeltexts.h"
#include "support/isolatedhome.h"
#include "support/refusingaddress.h"
#include "system/settingsstore.h"

#include <QDoubleSpinBox>
#include <QFile>
#include <QRegularExpression>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace tovik;
using test::refusingAddress;

namespace {

QVariant stored(const QString &key)
{
    return makeSettingsStore()->value(key);
}

} // namespace

class TestModelSettingsPage : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    void init();
    void cleanup();

    void everyEditIsStored();
    void storedValuesAreShown();
    void checkWithoutServerReportsInWords();
    void checkReportFollowsTheLanguage_data();
    void checkReportFollowsTheLanguage();
    void pageTextsFollowTheLanguage();
    void everyCheckMessageHasChineseText();

private:
    std::unique_ptr<ModelServerSettings> m_settings;
    std::unique_ptr<ModelSettingsPage> m_page;
};

void TestModelSettingsPage::init()
{
    makeSettingsStore()->clear();
    m_settings = std::make_unique<ModelServerSettings>();
    m_settings->setCheckTimeout(3000);
    m_page = std::make_unique<ModelSettingsPage>(*m_settings);
}

void TestModelSettingsPage::cleanup()
{
    InterfaceLanguage::shared().setLanguage(AppLanguage::english);
    m_page.reset();
    m_settings.reset();
}

void TestModelSettingsPage::everyEditIsStored()
{
    QLineEdit *server = m_page->serverField();
    QCOMPARE(server->text(), QString::fromLatin1(ModelServerSettings::defaultServerURL));
    server->selectAll();
    QTest::keyClicks(server, QStringLiteral("http://localhost:8080"));
    QCOMPARE(stored(QStringLiteral("modelServerURL")).toString(), QStringLiteral("http://localhost:8080"));
    QTest::keyClicks(server, QStringLiteral("/v1"));
    QCOMPARE(m_settings->modelServerURL(), QStringLiteral("http://localhost:8080/v1"));
    QCOMPARE(stored(QStringLiteral("modelServerURL")).toString(), QStringLiteral("http://localhost:8080/v1"));

    QTest::keyClicks(m_page->englishModelField(), QStringLiteral("bge-m3"));
    QTest::keyClicks(m_page->chineseModelField(), QStringLiteral("bge-m3:567m"));
    QTest::keyClicks(m_page->assistantModelField(), QStringLiteral("qwen2.5:3b"));
    QCOMPARE(stored(QStringLiteral("englishEmbeddingModel")).toString(), QStringLiteral("bge-m3"));
    QCOMPARE(stored(QStringLiteral("chineseEmbeddingModel")).toString(), QStringLiteral("bge-m3:567m"));
    QCOMPARE(stored(QStringLiteral("assistantModel")).toString(), QStringLiteral("qwen2.5:3b"));

    QDoubleSpinBox *englishThreshold = m_page->englishThresholdBox();
    QCOMPARE(englishThreshold->decimals(), 3);
    QCOMPARE(englishThreshold->value(), 0.142);
    QCOMPARE(m_page->chineseThresholdBox()->value(), 0.23);
    englishThreshold->setValue(0.3);
    m_page->chineseThresholdBox()->setValue(0.355);
    QCOMPARE(stored(QStringLiteral("englishDistanceThreshold")).toDouble(), 0.3);
    QCOMPARE(stored(QStringLiteral("chineseDistanceThreshold")).toDouble(), 0.355);
    // Zero would match nothing and is refused by the settings; the box cannot go there.
    englishThreshold->setValue(0);
    QVERIFY(englishThreshold->value() > 0);
    QCOMPARE(m_settings->englishDistanceThreshold(), englishThreshold->value());

    // Emptying a name turns that part off, and is stored too.
    m_page->assistantModelField()->selectAll();
    QTest::keyClick(m_page->assistantModelField(), Qt::Key_Backspace);
    QCOMPARE(stored(QStringLiteral("assistantModel")).toString(), QString());
}

void TestModelSettingsPage::storedValuesAreShown()
{
    {
        auto store = makeSettingsStore();
        store->setValue(QStringLiteral("modelServerURL"), QStringLiteral("http://127.0.0.1:1234/v1"));
        store->setValue(QStringLiteral("chineseEmbeddingModel"), QStringLiteral("bge-m3"));
        store->setValue(QStringLiteral("chineseDistanceThreshold"), 0.31);
    }
    ModelServerSettings settings;
    ModelSettingsPage page(settings);
    QCOMPARE(page.serverField()->text(), QStringLiteral("http://127.0.0.1:1234/v1"));
    QCOMPARE(page.chineseModelField()->text(), QStringLiteral("bge-m3"));
    QVERIFY(page.englishModelField()->text().isEmpty());
    QCOMPARE(page.chineseThresholdBox()->value(), 0.31);
    // A change made elsewhere shows on the page.
    settings.setAssistantModel(QStringLiteral("llama3.2"));
    QCOMPARE(page.assistantModelField()->text(), QStringLiteral("llama3.2"));
}

void TestModelSettingsPage::checkWithoutServerReportsInWords()
{
    const QString address = refusingAddress();
    m_settings->setModelServerURL(address);
    QCOMPARE(m_page->serverField()->text(), address);
    QCOMPARE(m_page->reportLabel()->text(), QStringLiteral("Press Check to ask the server which models it has."));

    QTest::mouseClick(m_page->checkButton(), Qt::LeftButton);
    QVERIFY(!m_page->checkButton()->isEnabled());
    QCOMPARE(m_page->checkButton()->text(), QStringLiteral("Checking…"));
    QTRY_VERIFY_WITH_TIMEOUT(m_page->checkButton()->isEnabled(), 10000);
    QCOMPARE(m_page->checkButton()->text(), QStringLiteral("Check"));
    const QString report = m_page->reportLabel()->text();
    QVERIFY2(report.startsWith(QStringLiteral("Couldn't reach the model server at ")), qPrintable(report));
    QVERIFY(report.contains(address.section(QLatin1Char('/'), 2, 2))); // host and port

    // The same report in Chinese, with the address and the network's detail as they came.
    InterfaceLanguage::shared().setLanguage(AppLanguage::chinese);
    const QString chinese = m_page->reportLabel()->text();
    QVERIFY2(chinese.startsWith(QStringLiteral("無法連線到位於 ")), qPrintable(chinese));
    QCOMPARE(chinese.section(QStringLiteral("："), 1), report.section(QStringLiteral(": "), 1));
    QCOMPARE(m_page->checkButton()->text(), QStringLiteral("檢查"));

    // An address that is not http(s) is reported without asking anything.
    InterfaceLanguage::shared().setLanguage(AppLanguage::english);
    m_page->serverField()->selectAll();
    QTest::keyClicks(m_page->serverField(), QStringLiteral("ftp://example.com"));
    QTest::mouseClick(m_page->checkButton(), Qt::LeftButton);
    QTRY_COMPARE(m_page->reportLabel()->text(), QStringLiteral("\"ftp://example.com\" isn't an http:// or https:// address."));
}

void TestModelSettingsPage::checkReportFollowsTheLanguage_data()
{
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("chinese");
    QTest::newRow("list") << QStringLiteral("The model server at http://127.0.0.1:11434/v1 answered and offers 3 models.")
                          << QStringLiteral("位於 http://127.0.0.1:11434/v1 的模型伺服器已回覆，提供 3 個模型。");
    QTest::newRow("part label") << QStringLiteral("Chinese embeddings: no model named; only literal matches are shown.")
                                << QStringLiteral("中文嵌入向量：未指定模型；只顯示字面相符的結果。");
    QTest::newRow("three values")
        << QStringLiteral("English embeddings: bge-m3 answered with 1024 numbers per text.")
        << QStringLiteral("英文嵌入向量：bge-m3 已回覆，每段文字 1024 個數值。");
    QTest::newRow("no such model, not a response")
        << QStringLiteral("English embeddings: the server has no model named nomic didn't respond.")
        << QStringLiteral("英文嵌入向量：伺服器沒有名為 nomic didn't respond 的模型。");
    QTest::newRow("own detail") << QStringLiteral("English embeddings: m gave no embedding (unreadable reply).")
                                << QStringLiteral("英文嵌入向量：m 沒有提供嵌入向量（無法讀取的回覆）。");
    QTest::newRow("value like a placeholder") << QStringLiteral("Assistant: {address} is ready.")
                                              << QStringLiteral("助理：{address} 已就緒。");
    QTest::newRow("foreign line") << QStringLiteral("Something else entirely.")
                                  << QStringLiteral("Something else entirely.");
    QTest::newRow("several lines")
        << QStringLiteral("The model server at http://h/v1 didn't respond.\nAssistant: no model named; negation rules are used on their own.")
        << QStringLiteral("位於 http://h/v1 的模型伺服器沒有回應。\n助理：未指定模型；只使用否定規則。");
}

void TestModelSettingsPage::checkReportFollowsTheLanguage()
{
    QFETCH(QString, english);
    QFETCH(QString, chinese);
    QCOMPARE(localizedCheckReport(english), english);
    InterfaceLanguage::shared().setLanguage(AppLanguage::chinese);
    QCOMPARE(localizedCheckReport(english), chinese);
}

void TestModelSettingsPage::pageTextsFollowTheLanguage()
{
    const auto labels = m_page->findChildren<QLabel *>();
    QStringList english;
    for (QLabel *label : labels)
        english.append(label->text());
    QVERIFY(english.contains(QStringLiteral("Model server")));
    InterfaceLanguage::shared().setLanguage(AppLanguage::chinese);
    for (qsizetype i = 0; i < labels.size(); ++i) {
        if (!english.at(i).isEmpty())
            QVERIFY2(labels.at(i)->text() != english.at(i), qPrintable(english.at(i)));
    }
    QCOMPARE(modelText(QStringLiteral("Model")), QStringLiteral("模型"));
    QCOMPARE(m_page->englishModelField()->accessibleName(), QStringLiteral("英文嵌入模型"));
}

void TestModelSettingsPage::everyCheckMessageHasChineseText()
{
    // The check builds its messages in the core; a new or reworded one must be added here too.
    QFile source(test::testDataPath() + QStringLiteral("/../src/core/modelserver/modelservercheck.cpp"));
    QVERIFY(source.open(QIODevice::ReadOnly));
    const QString code = QString::fromUtf8(source.readAll());
    static const QRegularExpression message(QStringLiteral("message\\(QStringLiteral\\(\"((?:[^\"\\\\]|\\\\.)*)\"\\)"));
    InterfaceLanguage::shared().setLanguage(AppLanguage::chinese);
    int count = 0;
    for (auto it = message.globalMatch(code); it.hasNext(); ++count) {
        const QString english = it.next().captured(1).replace(QStringLiteral("\\\""), QStringLiteral("\""));
        QVERIFY2(modelText(english) != english, qPrintable(english));
    }
    QVERIFY(count >= 15);
}

QTEST_MAIN(TestModelSettingsPage)
#include "test_modelsettingspage.moc"
