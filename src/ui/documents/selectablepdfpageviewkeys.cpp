// Selecting page text without a mouse: Shift+arrows grow or shrink a selection from
// an anchor, over the characters of the text layer or the glyphs of recognized text.
#include "documents/selectablepdfpageview.h"

#include "documents/pageselectioncenter.h"

#include <QKeyEvent>

namespace tovik {

qsizetype SelectablePDFPageView::selectionUnitCount() const
{
    if (usesRecognizedText())
        return m_recognized->glyphs().size();
    return m_textLayer ? m_textLayer->characterCount() : 0;
}

qsizetype SelectablePDFPageView::lineStartAfter(qsizetype caret) const
{
    // The text layer ends each line with a line feed, which belongs to that line.
    const qsizetype feed = m_textLayer->text().indexOf(QLatin1Char('\n'), caret);
    return feed < 0 ? selectionUnitCount() : feed + 1;
}

qsizetype SelectablePDFPageView::lineStartBefore(qsizetype caret) const
{
    // The start of the caret's line, or of the line before when it is there already.
    if (caret <= 1)
        return 0;
    const qsizetype feed = m_textLayer->text().lastIndexOf(QLatin1Char('\n'), caret - 2);
    return feed < 0 ? 0 : feed + 1;
}

qsizetype SelectablePDFPageView::movedCaret(qsizetype caret, int key) const
{
    if (usesRecognizedText())
        return m_recognized->movedCaret(caret, key);
    switch (key) {
    case Qt::Key_Left:
        return std::max<qsizetype>(0, caret - 1);
    case Qt::Key_Right:
        return std::min(selectionUnitCount(), caret + 1);
    case Qt::Key_Down:
        return lineStartAfter(caret);
    case Qt::Key_Up:
        return lineStartBefore(caret);
    default:
        return caret;
    }
}

bool SelectablePDFPageView::extendSelectionByKey(const QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~(Qt::KeypadModifier);
    const int key = event->key();
    if (modifiers != Qt::ShiftModifier
        || (key != Qt::Key_Left && key != Qt::Key_Right && key != Qt::Key_Up && key != Qt::Key_Down))
        return false;
    const qsizetype count = selectionUnitCount();
    if (count == 0)
        return false;
    if (!m_keyAnchor) {
        // Grow what the mouse selected, or start at the top of the page.
        qsizetype start = 0;
        qsizetype end = 0;
        if (usesRecognizedText() && m_ocrSelection) {
            start = *m_ocrSelection->begin();
            end = *m_ocrSelection->rbegin() + 1;
        } else if (!usesRecognizedText() && m_selection) {
            start = m_selection->location;
            end = m_selection->end();
        }
        m_keyAnchor = start;
        m_keyCaret = end;
        PageSelectionCenter::shared().post(this);
    }
    m_keyCaret = movedCaret(m_keyCaret, key);
    const qsizetype from = std::min(*m_keyAnchor, m_keyCaret);
    const qsizetype to = std::max(*m_keyAnchor, m_keyCaret);
    m_granularity = SelectionGranularity::character;
    if (usesRecognizedText()) {
        GlyphIndexSet glyphs;
        for (qsizetype index = from; index < to; ++index)
            glyphs.insert(glyphs.end(), index);
        setOCRSelection(glyphs.empty() ? std::nullopt : std::optional(glyphs));
    } else {
        setPDFSelection(from < to ? m_textLayer->selection({from, to - from}) : std::nullopt);
    }
    return true;
}

} // namespace tovik
