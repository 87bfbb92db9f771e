#include "mainwindow/questionfield.h"

#include <QAbstractTextDocumentLayout>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace tovik {

QuestionField::QuestionField(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(this, &QPlainTextEdit::textChanged, this, &QuestionField::updateHeight);
    updateHeight();
}

int QuestionField::heightForLines(int lines) const
{
    // A laid-out line, not the font's line spacing: with the Chinese face behind the
    // desktop's, the editor's lines are taller than the first face alone says.
    QTextLayout sample(QStringLiteral("Ag陳"), font());
    sample.beginLayout();
    QTextLine line = sample.createLine();
    line.setLineWidth(1000);
    sample.endLayout();
    const qreal lineHeight = std::max<qreal>(line.height(), fontMetrics().lineSpacing());
    const QMargins margins = contentsMargins() + viewportMargins();
    return static_cast<int>(std::ceil(lines * lineHeight + 2 * document()->documentMargin())) + margins.top()
        + margins.bottom() + 2 * frameWidth();
}

QSize QuestionField::sizeHint() const
{
    return {QPlainTextEdit::sizeHint().width(), height()};
}

QSize QuestionField::minimumSizeHint() const
{
    return {80, heightForLines(2)};
}

void QuestionField::updateHeight()
{
    // Visual lines, so a long wrapped line grows the field too.
    int lines = 0;
    for (QTextBlock block = document()->firstBlock(); block.isValid() && lines < 5; block = block.next())
        lines += std::max(1, block.layout() ? block.layout()->lineCount() : 1);
    setFixedHeight(heightForLines(std::clamp(lines, 2, 5)));
}

void QuestionField::keyPressEvent(QKeyEvent *event)
{
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    // The numeric keypad's Enter carries KeypadModifier; every other modifier disqualifies.
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (isReturn && m_composing) {
        // The input method is composing: Return is its to use (commit the candidate).
        event->ignore();
        return;
    }
    if (isReturn && modifiers == Qt::NoModifier) {
        if (consumesReturn && consumesReturn()) {
            event->accept();
            if (!event->isAutoRepeat())
                Q_EMIT submitted();
            return;
        }
        insertPlainText(QStringLiteral("\n"));
        event->accept();
        return;
    }
    if (isReturn && modifiers == Qt::ShiftModifier) {
        // A real line feed, not the soft line separator the editor would insert.
        insertPlainText(QStringLiteral("\n"));
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void QuestionField::inputMethodEvent(QInputMethodEvent *event)
{
    m_composing = !event->preeditString().isEmpty();
    QPlainTextEdit::inputMethodEvent(event);
}

void QuestionField::focusInEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusInEvent(event);
    Q_EMIT focusChanged(true);
}

void QuestionField::focusOutEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusOutEvent(event);
    Q_EMIT focusChanged(false);
}

} // namespace tovik
