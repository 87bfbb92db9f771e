#pragma once

#include "core/ocr/fakerecognizer.h"

#include <QImage>
#include <QMouseEvent>
#include <QPoint>

#include <memory>

namespace tovik {
class PagePictureWindow;
}

namespace tovik::test {

// A plain picture of the given size.
QImage blankPicture(int width, int height);

// Opens a picture window on a fake recognizer, shows it and waits until it is exposed.
// The window deletes itself when closed; tests close it or let the next test do so.
PagePictureWindow *showPictureWindow(const QImage &image, std::shared_ptr<TextRecognizer> recognizer);

// Closes every open picture window and lets them go.
void closeAllPictureWindows();

// Sends mouse events with time stamps the test controls, so that double and triple
// clicks are told apart from separate clicks.
class MouseScript final
{
public:
    explicit MouseScript(QWidget *target)
        : m_target(target)
    {
    }

    void press(QPoint at);
    void release(QPoint at);
    void doubleClick(QPoint at);
    void move(QPoint at);
    void click(QPoint at);
    // Press, release, double click, release, press, release.
    void tripleClick(QPoint at);
    void drag(QPoint from, QPoint to);
    // Lets a double-click interval pass, so the next press starts a new series.
    void pause();

private:
    void send(QEvent::Type type, QPoint at, Qt::MouseButtons buttons);

    QWidget *m_target;
    quint64 m_time = 100000;
};

} // namespace tovik::test
