#pragma once

#include <QAbstractScrollArea>
#include <QPoint>
#include <QPointF>
#include <QSizeF>
#include <QTimer>

#include <optional>

namespace tovik {

// The scrolling part of the picture window: shows one content widget (the canvas) at
// a magnification, keeps it centred on every axis where it is smaller than the
// view, pans it with a hand drag, and zooms live with a pinch or Ctrl + wheel.
// The canvas is resized to the content size times the magnification; everything
// else works in viewport coordinates.
class PictureScrollView final : public QAbstractScrollArea
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PictureScrollView)

public:
    explicit PictureScrollView(QWidget *parent = nullptr);
    ~PictureScrollView() override;

    // The canvas becomes a child of the viewport; `contentSize` is its unmagnified size.
    void setContent(QWidget *canvas, const QSizeF &contentSize);
    QSizeF contentSize() const { return m_contentSize; }

    double magnification() const { return m_magnification; }
    // Clamped to the magnification limits. The content point under `anchor` (viewport
    // coordinates) stays where it is; without one, the middle of the visible area.
    void setMagnification(double magnification, std::optional<QPointF> anchor = std::nullopt);
    // Shows the whole content as large as fits; the magnification used, or none
    // while the view has no usable size.
    std::optional<double> magnifyToFit();

    // Where the canvas lies in the viewport.
    QPoint contentOffset() const;

    // While enabled, a left-button drag on the viewport moves the picture.
    void setPanningEnabled(bool enabled);
    bool isGrabbing() const { return m_panStart.has_value(); }
    void endPan();

    // The pointer shown over the view when not grabbing; none for the default one.
    void setPointer(std::optional<Qt::CursorShape> shape);

    // Scrolls so that a point dragged past the viewport's edge comes back towards it.
    void autoscroll(QPoint viewportPoint);

    // Quiet time after the last Ctrl + wheel step before the zoom counts as finished.
    static constexpr int wheelSettleMilliseconds = 250;

Q_SIGNALS:
    // A pinch or a run of Ctrl + wheel steps has ended.
    void liveMagnificationEnded();
    // The view itself (not just its viewport) changed size.
    void resized();

protected:
    bool event(QEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    struct PanStart
    {
        QPoint scroll;
        QPointF pointer;
    };

    bool handleGesture(QEvent *event, QPointF viewportPoint);
    bool handlePan(QEvent *event);
    void layoutContent();
    void refreshPointer();

    QWidget *m_canvas = nullptr;
    QSizeF m_contentSize;
    double m_magnification = 1.0;
    bool m_panningEnabled = false;
    std::optional<PanStart> m_panStart;
    std::optional<Qt::CursorShape> m_pointer;
    QTimer m_wheelSettle;
};

} // namespace tovik
