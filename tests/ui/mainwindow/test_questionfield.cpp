#include "mainwindow/questionfield.h"
#include "support/isolatedhome.h"
#include "widgets/copytextbutton.h"
#include "widgets/interfacefonts.h"

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QSignalSpy>
#include <QThread>
#include <QTimer>
#include <QScrollBar>
#include <QtTest>

using namespace tovik;

class TestQuestionField : public QObject
{
    Q_OBJECT

public:
    static void initMain() { test::isolateHome(); }

private Q_SLOTS:
    // The application's fonts: Chinese falls back to a face with taller lines.
    void initTestCase() { applyInterfaceFonts(); }
    void returnAsksOnlyWhenAskingIsPossible();
    void shiftReturnInsertsALineFeed();
    void heldReturnAsksOnce();
    void returnWhileComposingBelongsToTheInputMethod();
    void fieldGrowsFromTwoToFiveLines();
    void copyButtonKeepsItsCheckMarkAfterASecondPress();
};

void TestQuestionField::returnAsksOnlyWhenAskingIsPossible()
{
    QuestionField field;
    bool canAsk = false;
    field.consumesReturn = [&] { return canAsk; };
    QSignalSpy submitted(&field, &QuestionField::submitted);
    field.setPlainText(QStringLiteral("abc"));
    field.moveCursor(QTextCursor::End);
    QTest::keyClick(&field, Qt::Key_Return);
    QCOMPARE(submitted.count(), 0);
    QCOMPARE(field.toPlainText(), QStringLiteral("abc\n"));

    canAsk = true;
    QTest::keyClick(&field, Qt::Key_Return);
    QCOMPARE(submitted.count(), 1);
    QCOMPARE(field.toPlainText(), QStringLiteral("abc\n")); // swallowed
    QTest::keyClick(&field, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(submitted.count(), 2);
    // Ctrl+Return is the window's shortcut, not the field's Return.
    QTest::keyClick(&field, Qt::Key_Return, Qt::AltModifier);
    QCOMPARE(submitted.count(), 2);
}

void TestQuestionField::shiftReturnInsertsALineFeed()
{
    QuestionField field;
    field.consumesReturn = [] { return true; };
    QSignalSpy submitted(&field, &QuestionField::submitted);
    QTest::keyClicks(&field, QStringLiteral("a"));
    QTest::keyClick(&field, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(&field, QStringLiteral("b"));
    QCOMPARE(submitted.count(), 0);
    // A real line feed, not U+2028, so the question keeps its line break for rag.
    QCOMPARE(field.toPlainText(), QStringLiteral("a\nb"));
}

void TestQuestionField::heldReturnAsksOnce()
{
    QuestionField field;
    field.consumesReturn = [] { return true; };
    QSignalSpy submitted(&field, &QuestionField::submitted);
    QKeyEvent first(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), false);
    QApplication::sendEvent(&field, &first);
    for (int i = 0; i < 5; ++i) {
        QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), true);
        QApplication::sendEvent(&field, &repeat);
        QVERIFY(repeat.isAccepted());
    }
    QCOMPARE(submitted.count(), 1);
    QVERIFY(field.toPlainText().isEmpty());
}

void TestQuestionField::returnWhileComposingBelongsToTheInputMethod()
{
    QuestionField field;
    field.consumesReturn = [] { return true; };
    QSignalSpy submitted(&field, &QuestionField::submitted);
    QInputMethodEvent composing(QStringLiteral("chan"), {});
    QApplication::sendEvent(&field, &composing);
    QVERIFY(field.isComposing());
    QTest::keyClick(&field, Qt::Key_Return);
    QCOMPARE(submitted.count(), 0);

    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("陳"));
    QApplication::sendEvent(&field, &commit);
    QVERIFY(!field.isComposing());
    QTest::keyClick(&field, Qt::Key_Return);
    QCOMPARE(submitted.count(), 1);
    QCOMPARE(field.toPlainText(), QStringLiteral("陳"));
}

void TestQuestionField::fieldGrowsFromTwoToFiveLines()
{
    QuestionField field;
    field.resize(300, field.height());
    field.show();
    const int twoLines = field.height();
    field.setPlainText(QStringLiteral("1\n2\n3"));
    const int threeLines = field.height();
    QVERIFY(threeLines > twoLines);
    field.setPlainText(QStringLiteral("1\n2\n3\n4\n5"));
    const int fiveLines = field.height();
    // Up to five lines every line is in view: nothing to scroll.
    QTRY_COMPARE(field.verticalScrollBar()->maximum(), 0);
    field.setPlainText(QStringLiteral("1\n2"));
    QTRY_COMPARE(field.verticalScrollBar()->maximum(), 0);
    field.setPlainText(QStringLiteral("1\n2\n3\n4\n5"));
    field.setPlainText(QStringLiteral("1\n2\n3\n4\n5\n6\n7\n8"));
    QCOMPARE(field.height(), fiveLines);
    field.setPlainText(QString());
    QCOMPARE(field.height(), twoLines);
}

void TestQuestionField::copyButtonKeepsItsCheckMarkAfterASecondPress()
{
    CopyTextButton button(QStringLiteral("Answer"));
    button.setText(QStringLiteral("the answer"));
    QCOMPARE(button.toolTip(), QStringLiteral("Copy Answer"));
    button.click();
    QVERIFY(button.didCopy());
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("the answer"));
    QCOMPARE(button.toolTip(), QStringLiteral("Copied"));
    auto *reset = button.findChild<QTimer *>();
    QVERIFY(reset && reset->isActive());
    QCOMPARE(reset->interval(), CopyTextButton::resetMilliseconds);
    // No events run until the second press, so the first time-out cannot take the check
    // mark away in between, however slow the machine; the press must start it over.
    QThread::msleep(900);
    const int leftBefore = reset->remainingTime();
    QVERIFY(leftBefore < CopyTextButton::resetMilliseconds - 750);
    button.click();
    QVERIFY(button.didCopy());
    QVERIFY2(reset->remainingTime() > leftBefore, "a second press restarts the check mark's time");
    QSignalSpy changed(&button, &CopyTextButton::didCopyChanged);
    QVERIFY(changed.wait(10000));
    QVERIFY(!button.didCopy());
    QCOMPARE(button.toolTip(), QStringLiteral("Copy Answer"));
}

QTEST_MAIN(TestQuestionField)
#include "test_questionfield.moc"
