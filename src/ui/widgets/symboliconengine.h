#pragma once

#include <QIcon>
#include <QIconEngine>
#include <QPalette>
#include <QPointer>
#include <QWidget>

namespace tovik {

// Draws a symbolic icon in the colour of a palette's text, so the same black-on-transparent
// symbol reads on a light and a dark palette alike: window text normally, highlighted text
// when selected, disabled window text when disabled. The palette is the owning widget's
// (a part of the window may be dark in a light application), else the application's.
class SymbolIconEngine final : public QIconEngine
{
public:
    explicit SymbolIconEngine(QIcon source, const QWidget *owner = nullptr);
    // Always in `colour`, for a part of the interface with a fixed background.
    SymbolIconEngine(QIcon source, const QColor &colour);

    // The colour a symbol is drawn in for `mode` on `palette`.
    static QColor tint(QIcon::Mode mode, const QPalette &palette);

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override;
    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override;
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override;
    QIconEngine *clone() const override;
    QString key() const override;
    bool isNull() override;

private:
    QColor colourFor(QIcon::Mode mode) const;

    QIcon m_source;
    QPointer<const QWidget> m_owner; // null: follow the application palette
    QColor m_fixed; // invalid: follow the owner's palette
};

} // namespace tovik
