#include "pictures/picturecanvasview.h"

#include "i18n/translate.h"
#include "pictures/picturetextrecognition.h"
#include "pictures/pictureviewgeometry.h"
#include "widgets/primaryselection.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QStyleHints>

namespace tovik {

namespace {
GlyphIndexSet indexesOf(RecognizedPageText::GlyphRange range)
{
    GlyphIndexSet indexes;
    for (qsizetype index = range.lower; index < range.upper; ++index)
        indexes.insert(index);
    return indexes;
}
} // namespace

PictureCanvasView::PictureCanvasView(QImage image, std::shared_ptr<TextRecognizer> recognizer, QWidget *parent)
    : QWidget(parent)
    , m_image(std::move(image))
    , m_recognition(new PictureTextRecognition(std::move(recognizer), this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setTextTool(false);
    connect(m_recognition, &PictureTextRecognition::finished, this, &PictureCanvasView::applyRecognized);
}

PictureCanvasView::~PictureCanvasView() = default;

void PictureCanvasView::setTextTool(bool on)
{
    m_textTool = on;
    setAttribute(Qt::WA_TransparentForMouseEvents, !on);
    if (on) {
        setCursor(Qt::IBeamCursor);
    } else {
        unsetCursor();
        m_anchor.reset();
    }
}

void PictureCanvasView::requestRecognition()
{
    if (m_didRequestOCR)
        return;
    m_didRequestOCR = true;
    setStatus(QStringLiteral("Recognizing text…"));
    m_recognition->start(m_image);
}

void PictureCanvasView::cancelRecognition()
{
    m_recognition->cancel();
}

void PictureCanvasView::applyRecognized(const RecognizedPageText &text)
{
    m_recognized = text;
    if (text.text().trimmed().isEmpty())
        setStatus(QStringLiteral("No text recognized on this picture."));
    else
        setStatus(std::nullopt);
    update();
}

void PictureCanvasView::setStatus(std::optional<QString> english)
{
    m_statusEnglish = std::move(english);
    Q_EMIT statusChanged();
}

QString PictureCanvasView::selectedText() const
{
    if (!m_recognized || !m_selection)
        return QString();
    return m_recognized->text(*m_selection).trimmed();
}

void PictureCanvasView::storeSelection(std::optional<GlyphIndexSet> selection)
{
    if (selection && (!m_recognized || m_recognized->text(*selection).trimmed().isEmpty()))
        selection.reset();
    if (selection == m_selection)
        return;
    m_selection = std::move(selection);
    update();
    offerPrimarySelection(selectedText());
}

void PictureCanvasView::copy()
{
    const QString text = selectedText();
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

void PictureCanvasView::selectAll()
{
    if (!hasGlyphs())
        return;
    m_keyAnchor.reset();
    storeSelection(indexesOf({0, m_recognized->glyphs().size()}));
}

void PictureCanvasView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect dirty = event->rect();
    painter.fillRect(dirty, Qt::white);
    if (!m_image.isNull() && width() > 0 && height() > 0) {
        // Only the exposed part: a zoomed-in picture can be far larger than the screen.
        const double sx = m_image.width() / double(width());
        const double sy = m_image.height() / double(height());
        const QRectF source(dirty.x() * sx, dirty.y() * sy, dirty.width() * sx, dirty.height() * sy);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRectF(dirty), m_image, source);
    }
    if (!m_recognized || !m_selection)
        return;
    const bool focused = hasFocus();
    QColor colour = palette().color(focused ? QPalette::Active : QPalette::Inactive, QPalette::Highlight);
    colour.setAlphaF(focused ? 0.35F : 0.45F);
    for (const QRectF &rect : PictureViewGeometry::selectionRects(*m_recognized, *m_selection, QSizeF(size())))
        painter.fillRect(rect, colour);
}

int PictureCanvasView::clickCountFor(const QMouseEvent *event) const
{
    const QStyleHints *hints = QGuiApplication::styleHints();
    const bool series = m_lastClickCount >= 2
        && event->timestamp() - m_lastClickTime <= quint64(hints->mouseDoubleClickInterval())
        && (event->position() - m_lastClickPoint).manhattanLength() <= hints->mouseDoubleClickDistance();
    return series ? m_lastClickCount + 1 : 1;
}

void PictureCanvasView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    press(event, clickCountFor(event));
}

void PictureCanvasView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    press(event, 2);
}

void PictureCanvasView::press(QMouseEvent *event, int clickCount)
{
    m_lastClickCount = clickCount;
    m_lastClickTime = event->timestamp();
    m_lastClickPoint = event->position();
    event->accept();
    if (!m_textTool)
        return;
    setFocus(Qt::MouseFocusReason);
    if (!hasGlyphs())
        return;
    m_keyAnchor.reset();
    m_anchor = PictureViewGeometry::normalizedPoint(event->position(), QSizeF(size()));
    if (clickCount <= 1) {
        m_granularity = Granularity::character;
        storeSelection(std::nullopt);
        return;
    }
    m_granularity = clickCount == 2 ? Granularity::word : Granularity::line;
    const std::optional<qsizetype> hit = m_anchor ? m_recognized->glyphAt(*m_anchor) : std::nullopt;
    if (!hit) {
        storeSelection(std::nullopt);
        return;
    }
    const auto range = m_granularity == Granularity::word ? m_recognized->wordRange(*hit) : m_recognized->lineRange(*hit);
    storeSelection(indexesOf(range));
}

void PictureCanvasView::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    if (!m_textTool || !m_anchor || m_granularity != Granularity::character || !hasGlyphs())
        return;
    Q_EMIT dragged(mapToParent(event->position().toPoint()));
    const std::optional<QPointF> here = PictureViewGeometry::normalizedPoint(event->position(), QSizeF(size()));
    if (!here)
        return;
    // One point of slack around the dragged rectangle, as on preview pages: a drag
    // straight along a line spans no height and would select nothing.
    const QRectF spanned = QRectF(*m_anchor, *here).normalized();
    const double dx = 1.0 / qMax(1, width());
    const double dy = 1.0 / qMax(1, height());
    storeSelection(m_recognized->glyphsIn(spanned.adjusted(-dx, -dy, dx, dy)));
}

void PictureCanvasView::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    m_anchor.reset();
}

void PictureCanvasView::contextMenuEvent(QContextMenuEvent *event)
{
    if (!m_textTool) {
        event->ignore();
        return;
    }
    const std::unique_ptr<QMenu> menu = contextMenu();
    menu->exec(event->globalPos());
}

std::unique_ptr<QMenu> PictureCanvasView::contextMenu()
{
    auto menu = std::make_unique<QMenu>(this);
    QAction *copyItem = menu->addAction(translate(QStringLiteral("Copy")));
    copyItem->setEnabled(!selectedText().isEmpty());
    connect(copyItem, &QAction::triggered, this, &PictureCanvasView::copy);
    QAction *allItem = menu->addAction(translate(QStringLiteral("Select All")));
    allItem->setEnabled(hasGlyphs());
    connect(allItem, &QAction::triggered, this, &PictureCanvasView::selectAll);
    return menu;
}

bool PictureCanvasView::isCommandKey(const QKeyEvent *event, Qt::Key key)
{
    return event->key() == key && (event->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier;
}

bool PictureCanvasView::event(QEvent *event)
{
    // Ctrl+C and Ctrl+A belong to the canvas while it has focus, not to any window shortcut.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (isCommandKey(key, Qt::Key_C) || isCommandKey(key, Qt::Key_A)) {
            event->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void PictureCanvasView::keyPressEvent(QKeyEvent *event)
{
    if (isCommandKey(event, Qt::Key_C)) {
        copy(); // handled even with nothing to copy
        event->accept();
    } else if (isCommandKey(event, Qt::Key_A)) {
        selectAll();
        event->accept();
    } else if (extendSelectionByKey(event)) {
        event->accept();
    } else {
        QWidget::keyPressEvent(event);
    }
}

bool PictureCanvasView::extendSelectionByKey(const QKeyEvent *event)
{
    const int key = event->key();
    if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::ShiftModifier
        || (key != Qt::Key_Left && key != Qt::Key_Right && key != Qt::Key_Up && key != Qt::Key_Down)
        || !hasGlyphs())
        return false;
    if (!m_keyAnchor) {
        // Grow what the mouse selected, or start at the first glyph.
        m_keyAnchor = m_selection ? *m_selection->begin() : 0;
        m_keyCaret = m_selection ? *m_selection->rbegin() + 1 : 0;
    }
    m_keyCaret = m_recognized->movedCaret(m_keyCaret, key);
    const qsizetype from = std::min(*m_keyAnchor, m_keyCaret);
    const qsizetype to = std::max(*m_keyAnchor, m_keyCaret);
    storeSelection(from < to ? std::optional(indexesOf({from, to})) : std::nullopt);
    return true;
}

void PictureCanvasView::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
}

void PictureCanvasView::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

} // namespace tovik
