#include "picturewindowfixture.h"

#include "pictures/pagepicturewindow.h"

#include <QApplication>
#include <QStyleHints>
#include <QtTest>

namespace tovik::test {

QImage blankPicture(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(240, 240, 240));
    return image;
}

PagePictureWindow *showPictureWindow(const QImage &image, std::shared_ptr<TextRecognizer> recognizer)
{
    auto *window = new PagePictureWindow(image, QStringLiteral("chart.pdf page 1"), std::move(recognizer));
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        qWarning("picture window was not exposed");
    return window;
}

void closeAllPictureWindows()
{
    for (PagePictureWindow *window : PagePictureWindow::openWindows())
        window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void MouseScript::send(QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), QPointF(m_target->mapToGlobal(at)), button, buttons, Qt::NoModifier);
    event.setTimestamp(m_time);
    m_time += 10;
    QApplication::sendEvent(m_target, &event);
}

void MouseScript::press(QPoint at)
{
    send(QEvent::MouseButtonPress, at, Qt::LeftButton);
}

void MouseScript::release(QPoint at)
{
    send(QEvent::MouseButtonRelease, at, Qt::NoButton);
}

void MouseScript::doubleClick(QPoint at)
{
    send(QEvent::MouseButtonDblClick, at, Qt::LeftButton);
}

void MouseScript::move(QPoint at)
{
    send(QEvent::MouseMove, at, Qt::LeftButton);
}

void MouseScript::click(QPoint at)
{
    pause();
    press(at);
    release(at);
}

void MouseScript::tripleClick(QPoint at)
{
    pause();
    press(at);
    release(at);
    doubleClick(at);
    release(at);
    press(at);
    release(at);
}

void MouseScript::drag(QPoint from, QPoint to)
{
    pause();
    press(from);
    move((from + to) / 2);
    move(to);
    release(to);
}

void MouseScript::pause()
{
    m_time += quint64(QGuiApplication::styleHints()->mouseDoubleClickInterval()) + 1000;
}

} // namespace tovik::test
