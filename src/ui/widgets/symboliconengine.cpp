#include "widgets/symboliconengine.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmapCache>

namespace tovik {

SymbolIconEngine::SymbolIconEngine(QIcon source, const QWidget *owner)
    : m_source(std::move(source))
    , m_owner(owner)
{
}

SymbolIconEngine::SymbolIconEngine(QIcon source, const QColor &colour)
    : m_source(std::move(source))
    , m_fixed(colour)
{
}

QColor SymbolIconEngine::colourFor(QIcon::Mode mode) const
{
    if (!m_fixed.isValid())
        return tint(mode, m_owner ? m_owner->palette() : QGuiApplication::palette());
    QColor colour = m_fixed;
    if (mode == QIcon::Disabled)
        colour.setAlphaF(0.45F);
    return colour;
}

QColor SymbolIconEngine::tint(QIcon::Mode mode, const QPalette &palette)
{
    switch (mode) {
    case QIcon::Disabled:
        return palette.color(QPalette::Disabled, QPalette::WindowText);
    case QIcon::Selected:
        return palette.color(QPalette::Active, QPalette::HighlightedText);
    case QIcon::Normal:
    case QIcon::Active:
        break;
    }
    return palette.color(QPalette::Active, QPalette::WindowText);
}

QPixmap SymbolIconEngine::pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    return scaledPixmap(size, mode, state, 1.0);
}

QPixmap SymbolIconEngine::scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale)
{
    const QColor colour = colourFor(mode);
    const QString cacheKey = QStringLiteral("tovik-symbol-%1-%2x%3@%4-%5-%6")
                                 .arg(m_source.cacheKey())
                                 .arg(size.width())
                                 .arg(size.height())
                                 .arg(scale)
                                 .arg(static_cast<int>(state))
                                 .arg(colour.rgba(), 8, 16);
    QPixmap tinted;
    if (QPixmapCache::find(cacheKey, &tinted))
        return tinted;
    // The source's normal look: its own disabled look would fade the colour twice.
    QImage image = m_source.pixmap(size, scale, QIcon::Normal, state).toImage().convertToFormat(
        QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return {};
    {
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(QRect(QPoint(0, 0), image.size()), colour);
    }
    tinted = QPixmap::fromImage(std::move(image));
    QPixmapCache::insert(cacheKey, tinted);
    return tinted;
}

void SymbolIconEngine::paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state)
{
    const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QPixmap shown = scaledPixmap(rect.size(), mode, state, scale);
    painter->drawPixmap(rect, shown);
}

QSize SymbolIconEngine::actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    return m_source.actualSize(size, mode, state);
}

QList<QSize> SymbolIconEngine::availableSizes(QIcon::Mode mode, QIcon::State state)
{
    return m_source.availableSizes(mode, state);
}

QIconEngine *SymbolIconEngine::clone() const
{
    return m_fixed.isValid() ? new SymbolIconEngine(m_source, m_fixed) : new SymbolIconEngine(m_source, m_owner);
}

QString SymbolIconEngine::key() const
{
    return QStringLiteral("tovik-symbol");
}

bool SymbolIconEngine::isNull()
{
    return m_source.isNull();
}

} // namespace tovik
