#include "textbox.h"

#include "copytextbutton.h"
#include "i18n/translate.h"
#include "interfacefonts.h"
#include "retranslate.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollBar>
#include <QTimer>
#include <QResizeEvent>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>
#include <cmath>
#include <QVBoxLayout>

namespace tovik {

TextBox::TextBox(const QString &copyItem, QWidget *parent)
    : StandardBox(parent)
    , m_editor(new QPlainTextEdit(this))
    , m_placeholder(new QLabel(this))
    , m_waiting(new QWidget(this))
    , m_waitingLabel(new QLabel(m_waiting))
{
    m_editor->setReadOnly(true);
    m_editor->setFrameShape(QFrame::NoFrame);
    m_editor->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_editor->viewport()->setAutoFillBackground(false);
    m_editor->setStyleSheet(QStringLiteral("QPlainTextEdit { background: transparent; }"));
    m_editor->setLineWrapMode(QPlainTextEdit::WidgetWidth);

    m_placeholder->setForegroundRole(QPalette::PlaceholderText);
    m_placeholder->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_placeholder->setWordWrap(true);
    m_placeholder->setAttribute(Qt::WA_TransparentForMouseEvents);

    auto *spinner = new QProgressBar(m_waiting);
    spinner->setRange(0, 0);
    spinner->setTextVisible(false);
    spinner->setMaximumWidth(120);
    spinner->setMaximumHeight(6);
    m_waitingLabel->setForegroundRole(QPalette::PlaceholderText);
    auto *waitColumn = new QVBoxLayout(m_waiting);
    waitColumn->setSpacing(10);
    waitColumn->addStretch(1);
    waitColumn->addWidget(spinner, 0, Qt::AlignHCenter);
    waitColumn->addWidget(m_waitingLabel, 0, Qt::AlignHCenter);
    waitColumn->addStretch(1);
    m_waiting->setMinimumHeight(100);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->addWidget(m_editor);
    column->addWidget(m_placeholder);
    column->addWidget(m_waiting);

    if (!copyItem.isEmpty()) {
        m_copy = new CopyTextButton(copyItem, this);
        m_copy->setTextProvider([this] { return text(); });
        column->setContentsMargins(8, 8, 8 + 28, 8);
    }
    followLanguage(this, [this] { refresh(); });
}

void TextBox::setText(const QString &text)
{
    m_pending.clear();
    if (text == m_editor->toPlainText())
        return;
    m_editor->setPlainText(text);
    m_isEmpty = text.isEmpty();
    refresh();
    fitHeight();
}

void TextBox::appendLine(const QString &line)
{
    // Lines that arrive in one event-loop turn are added to the document together.
    if (m_pending.isEmpty())
        QTimer::singleShot(0, this, &TextBox::flushPending);
    m_pending.append(line);
}

void TextBox::flushPending()
{
    if (m_pending.isEmpty())
        return;
    QScrollBar *bar = m_editor->verticalScrollBar();
    const bool atBottom = bar->value() >= bar->maximum() - 2;
    // appendPlainText starts a new block: the document holds the text without its last line feed.
    m_editor->appendPlainText(m_pending.join(QLatin1Char('\n')));
    m_pending.clear();
    if (atBottom)
        bar->setValue(bar->maximum());
    if (m_isEmpty) {
        m_isEmpty = false;
        refresh();
    }
}

QString TextBox::text() const
{
    const_cast<TextBox *>(this)->flushPending();
    return m_editor->toPlainText();
}

void TextBox::setPlaceholder(const QString &english)
{
    m_placeholderEnglish = english;
    refresh();
}

void TextBox::setWaiting(bool waiting, const QString &english)
{
    m_isWaiting = waiting;
    if (!english.isEmpty())
        m_waitingEnglish = english;
    refresh();
}

void TextBox::setFitHeight(int minimum, int maximum)
{
    m_fitMinimum = minimum;
    m_fitMaximum = maximum;
    // A text to read and select, not to edit: no blinking caret in it.
    m_editor->setCursorWidth(0);
    fitHeight();
}

int TextBox::wrappedTextHeight(int width) const
{
    // Laid out here rather than read from the editor, whose layout is lazy and missing
    // while the editor is hidden (a question loaded before the box is shown).
    QTextOption option = m_editor->document()->defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    qreal height = 0;
    const QStringList paragraphs = m_editor->toPlainText().split(QLatin1Char('\n'));
    for (const QString &paragraph : paragraphs) {
        QTextLayout layout(paragraph, m_editor->font());
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            height += line.height();
        }
        layout.endLayout();
    }
    return static_cast<int>(std::ceil(height));
}

void TextBox::fitHeight()
{
    if (m_fitMaximum <= 0)
        return;
    const QMargins margins = layout()->contentsMargins();
    const int documentMargin = static_cast<int>(std::ceil(m_editor->document()->documentMargin()));
    const int chrome = margins.top() + margins.bottom() + 2 * m_editor->frameWidth() + 2 * documentMargin;
    const int textWidth = width() - margins.left() - margins.right() - 2 * m_editor->frameWidth() - 2 * documentMargin;
    setFixedHeight(std::clamp(wrappedTextHeight(std::max(1, textWidth)) + chrome + 1, m_fitMinimum, m_fitMaximum));
}

void TextBox::setMonospaced(bool monospaced)
{
    m_editor->setFont(monospaced ? withChineseFallback(QFontDatabase::systemFont(QFontDatabase::FixedFont)) : font());
}

void TextBox::refresh()
{
    const bool waiting = m_isEmpty && m_isWaiting;
    m_editor->setVisible(!m_isEmpty);
    m_placeholder->setVisible(m_isEmpty && !waiting);
    m_waiting->setVisible(waiting);
    m_placeholder->setText(translate(m_placeholderEnglish));
    m_waitingLabel->setText(translate(m_waitingEnglish));
    m_waiting->setAccessibleName(translate(m_waitingEnglish));
    if (m_copy)
        m_copy->setVisible(!m_isEmpty);
    placeCopyButton();
}

void TextBox::resizeEvent(QResizeEvent *event)
{
    StandardBox::resizeEvent(event);
    placeCopyButton();
    if (event->oldSize().width() != width())
        QTimer::singleShot(0, this, &TextBox::fitHeight);
}

void TextBox::placeCopyButton()
{
    if (!m_copy)
        return;
    const QSize size = m_copy->sizeHint();
    m_copy->setGeometry(width() - size.width() - 6, 6, size.width(), size.height());
    m_copy->raise();
}

} // namespace tovik
