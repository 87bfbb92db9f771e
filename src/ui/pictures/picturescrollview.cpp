#include "pictures/picturescrollview.h"

#include "pictures/picturezoom.h"

#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include <cmath>

namespace tovik {

namespace {
// One notch of a mouse wheel (120 units) zooms by about a fifth.
constexpr double wheelZoomBase = 1.0015;
} // namespace

PictureScrollView::PictureScrollView(QWidget *parent)
    : QAbstractScrollArea(parent)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QPalette white = viewport()->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::Base, Qt::white);
    viewport()->setPalette(white);
    viewport()->setAutoFillBackground(true);
    setPalette(white);
    setAutoFillBackground(true);

    m_wheelSettle.setSingleShot(true);
    m_wheelSettle.setInterval(wheelSettleMilliseconds);
    connect(&m_wheelSettle, &QTimer::timeout, this, &PictureScrollView::liveMagnificationEnded);
}

PictureScrollView::~PictureScrollView() = default;

void PictureScrollView::setContent(QWidget *canvas, const QSizeF &contentSize)
{
    m_canvas = canvas;
    m_contentSize = contentSize;
    canvas->setParent(viewport());
    // Pinches go to the widget under the fingers, which is often the canvas.
    canvas->installEventFilter(this);
    canvas->show();
    layoutContent();
}

QPoint PictureScrollView::contentOffset() const
{
    return m_canvas ? m_canvas->pos() : QPoint();
}

void PictureScrollView::setMagnification(double magnification, std::optional<QPointF> anchor)
{
    const double wanted = PictureZoom::clampMagnification(magnification);
    const QPointF at = anchor.value_or(QPointF(viewport()->width() / 2.0, viewport()->height() / 2.0));
    const QPointF contentPoint = (at - QPointF(contentOffset())) / m_magnification;
    m_magnification = wanted;
    layoutContent();
    const QPointF scroll = contentPoint * wanted - at;
    horizontalScrollBar()->setValue(qRound(scroll.x()));
    verticalScrollBar()->setValue(qRound(scroll.y()));
    layoutContent();
}

std::optional<double> PictureScrollView::magnifyToFit()
{
    // Measured without scroll bars: once the content fits, they go away.
    const std::optional<double> fitted = PictureZoom::fitMagnification(m_contentSize, maximumViewportSize());
    if (fitted)
        setMagnification(*fitted);
    return fitted;
}

void PictureScrollView::setPanningEnabled(bool enabled)
{
    if (!enabled)
        endPan();
    m_panningEnabled = enabled;
}

void PictureScrollView::endPan()
{
    if (!m_panStart)
        return;
    m_panStart.reset();
    refreshPointer();
}

void PictureScrollView::setPointer(std::optional<Qt::CursorShape> shape)
{
    m_pointer = shape;
    refreshPointer();
}

void PictureScrollView::refreshPointer()
{
    if (m_panStart)
        viewport()->setCursor(Qt::ClosedHandCursor);
    else if (m_pointer)
        viewport()->setCursor(*m_pointer);
    else
        viewport()->unsetCursor();
}

void PictureScrollView::autoscroll(QPoint viewportPoint)
{
    const QRect view = viewport()->rect();
    const auto overshoot = [](int value, int low, int high) {
        return value < low ? value - low : (value > high ? value - high : 0);
    };
    QScrollBar *h = horizontalScrollBar();
    QScrollBar *v = verticalScrollBar();
    h->setValue(h->value() + overshoot(viewportPoint.x(), view.left(), view.right()));
    v->setValue(v->value() + overshoot(viewportPoint.y(), view.top(), view.bottom()));
}

bool PictureScrollView::event(QEvent *event)
{
    const bool handled = QAbstractScrollArea::event(event);
    if (event->type() == QEvent::Resize)
        Q_EMIT resized();
    return handled;
}

bool PictureScrollView::viewportEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::Resize: {
        const bool handled = QAbstractScrollArea::viewportEvent(event);
        layoutContent();
        return handled;
    }
    case QEvent::NativeGesture:
        return handleGesture(event, static_cast<QNativeGestureEvent *>(event)->position());
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        if (handlePan(event))
            return true;
        break;
    default:
        break;
    }
    return QAbstractScrollArea::viewportEvent(event);
}

bool PictureScrollView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_canvas && event->type() == QEvent::NativeGesture) {
        const QPointF local = static_cast<QNativeGestureEvent *>(event)->position();
        return handleGesture(event, local + QPointF(contentOffset()));
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

bool PictureScrollView::handleGesture(QEvent *event, QPointF viewportPoint)
{
    const auto *gesture = static_cast<QNativeGestureEvent *>(event);
    switch (gesture->gestureType()) {
    case Qt::ZoomNativeGesture:
        setMagnification(m_magnification * (1.0 + gesture->value()), viewportPoint);
        break;
    case Qt::EndNativeGesture:
        Q_EMIT liveMagnificationEnded();
        break;
    default:
        break;
    }
    event->accept();
    return true;
}

bool PictureScrollView::handlePan(QEvent *event)
{
    auto *mouse = static_cast<QMouseEvent *>(event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (!m_panningEnabled || mouse->button() != Qt::LeftButton)
            return false;
        m_panStart = PanStart{QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value()),
                              mouse->globalPosition()};
        refreshPointer();
        return true;
    case QEvent::MouseMove:
        if (!m_panStart)
            return false;
        {
            const QPointF moved = mouse->globalPosition() - m_panStart->pointer;
            horizontalScrollBar()->setValue(m_panStart->scroll.x() - qRound(moved.x()));
            verticalScrollBar()->setValue(m_panStart->scroll.y() - qRound(moved.y()));
        }
        return true;
    case QEvent::MouseButtonRelease:
        if (!m_panStart || mouse->button() != Qt::LeftButton)
            return false;
        endPan();
        return true;
    default:
        return false;
    }
}

void PictureScrollView::scrollContentsBy(int, int)
{
    layoutContent();
}

void PictureScrollView::wheelEvent(QWheelEvent *event)
{
    if (event->modifiers() != Qt::ControlModifier) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    const int delta = event->angleDelta().y() != 0 ? event->angleDelta().y() : event->angleDelta().x();
    if (delta != 0) {
        // Viewport coordinates, also when the wheel turned over the canvas.
        setMagnification(m_magnification * std::pow(wheelZoomBase, delta), event->position());
        m_wheelSettle.start();
    }
    event->accept();
}

void PictureScrollView::layoutContent()
{
    if (!m_canvas)
        return;
    const QSize canvasSize(qMax(1, qRound(m_contentSize.width() * m_magnification)),
                           qMax(1, qRound(m_contentSize.height() * m_magnification)));
    // Ranges are measured against the room without scroll bars when the canvas fits
    // there; otherwise bars shown once would keep the room too small to lose them.
    const QSize room = maximumViewportSize();
    const bool fits = canvasSize.width() <= room.width() && canvasSize.height() <= room.height();
    const QSize view = fits ? room : viewport()->size();
    QScrollBar *h = horizontalScrollBar();
    QScrollBar *v = verticalScrollBar();
    h->setRange(0, qMax(0, canvasSize.width() - view.width()));
    h->setPageStep(view.width());
    h->setSingleStep(20);
    v->setRange(0, qMax(0, canvasSize.height() - view.height()));
    v->setPageStep(view.height());
    v->setSingleStep(20);
    // Centred on each axis where the canvas is smaller than what shows of it.
    const QSize shown = viewport()->size();
    const int x = canvasSize.width() < shown.width() ? (shown.width() - canvasSize.width()) / 2 : -h->value();
    const int y = canvasSize.height() < shown.height() ? (shown.height() - canvasSize.height()) / 2 : -v->value();
    m_canvas->setGeometry(QRect(QPoint(x, y), canvasSize));
}

} // namespace tovik
