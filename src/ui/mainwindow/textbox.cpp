#include "mainwindow/textbox.h"

#include "i18n/translate.h"
#include "language/retranslate.h"
#include "widgets/copytextbutton.h"
#include "widgets/interfacefonts.h"

#include <QFontDatabase>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>
#include <QVBoxLayout>

namespace tovik {

TextBox::TextBox(const QString &copyItem, QWidget *parent)
    : StandardBox(parent)
    , m_editor(new TextView(this))
    , m_placeholder(new QLabel(this))
    , m_waiting(new QWidget(this))
    , m_waitingLabel(new QLabel(m_waiting))
{
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
    if (m_editor->shownText() == text)
        return;
    m_editor->setText(text);
    textChanged();
}

void TextBox::appendLine(const QString &line)
{
    // A new line, as for a paragraph appended to a text document: an empty text
    // takes the line as its first.
    if (!m_editor->shownText().isEmpty())
        m_editor->appendText(u"\n");
    m_editor->appendText(line);
    textChanged();
}

void TextBox::setSource(QObject *owner, const QString *text)
{
    m_editor->setSource(owner, text, true);
    textChanged();
}

void TextBox::sourceAppended()
{
    m_editor->sourceAppended();
    textChanged();
}

void TextBox::sourceReplaced()
{
    m_editor->sourceReplaced();
    textChanged();
}

void TextBox::textChanged()
{
    const bool empty = m_editor->shownText().isEmpty();
    if (empty != m_isEmpty) {
        m_isEmpty = empty;
        refresh();
    }
    fitHeight();
}

QString TextBox::text() const
{
    return m_editor->text();
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
    fitHeight();
}

void TextBox::fitHeight()
{
    if (m_fitMaximum <= 0)
        return;
    const QMargins margins = layout()->contentsMargins();
    const int chrome = margins.top() + margins.bottom() + 2 * m_editor->frameWidth();
    const int textWidth = width() - margins.left() - margins.right() - 2 * m_editor->frameWidth()
        - 2 * TextView::margin;
    // Laid out here rather than read from the view, which lays out only what it shows
    // and nothing while hidden (a question loaded before the box is shown).
    const int height = m_editor->textHeight(std::max(1, textWidth), m_fitMaximum);
    setFixedHeight(std::clamp(height + chrome + 1, m_fitMinimum, m_fitMaximum));
}

void TextBox::setMonospaced(bool monospaced)
{
    m_editor->setFont(monospaced ? withChineseFallback(QFontDatabase::systemFont(QFontDatabase::FixedFont)) : font());
}

void TextBox::setAccessibleTexts(const QString &englishName, const QString &englishDescription)
{
    m_nameEnglish = englishName;
    m_descriptionEnglish = englishDescription;
    refresh();
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
    m_editor->setAccessibleName(m_nameEnglish.isEmpty() ? QString() : translate(m_nameEnglish));
    m_editor->setAccessibleDescription(m_descriptionEnglish.isEmpty() ? QString() : translate(m_descriptionEnglish));
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
