#include "compare/comparecolumn.h"

#include "i18n/translate.h"
#include "language/retranslate.h"
#include "mainwindow/textbox.h"
#include "mainwindow/textview.h"
#include "tabs/contentrules.h"
#include "widgets/busybar.h"
#include "widgets/copytextbutton.h"
#include "widgets/headerrow.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace tovik {

namespace {
QFont headlineFont(QFont font)
{
    font.setBold(true);
    return font;
}

QFont subheadlineFont(QFont font)
{
    font.setPointSizeF(font.pointSizeF() * 0.9);
    return font;
}

} // namespace

CompareColumn::CompareColumn(const QString &title, QWidget *parent)
    : QWidget(parent)
    , m_titleEnglish(title)
    , m_title(new QLabel(this))
    , m_picker(new QComboBox(this))
    , m_questionTitle(new QLabel(this))
    , m_question(new TextBox(QStringLiteral("Question"), this))
    , m_answerTitle(new QLabel(this))
    , m_answeringSpinner(makeBusyBar(36, this))
    , m_answeringLabel(new QLabel(this))
    , m_answer(new TextBox(QStringLiteral("Answer"), this))
{
    m_title->setFont(headlineFont(m_title->font()));
    m_picker->setMaximumWidth(280);
    m_picker->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_picker->setPlaceholderText(QStringLiteral("tovikRAG"));
    auto *header = new QHBoxLayout;
    header->setSpacing(0);
    header->addWidget(m_title);
    header->addSpacing(8);
    header->addStretch(1);
    header->addWidget(m_picker);

    m_questionTitle->setFont(headlineFont(m_questionTitle->font()));
    m_question->setFixedHeight(140);
    m_question->setPlaceholder(QStringLiteral("No question yet."));
    m_question->setAccessibleTexts(QStringLiteral("Question"));
    m_question->copyButton()->setTextProvider([this] { return m_questionText; });
    auto *questionSection = new QVBoxLayout;
    questionSection->setSpacing(6);
    questionSection->addWidget(m_questionTitle);
    questionSection->addWidget(m_question);

    m_answerTitle->setFont(headlineFont(m_answerTitle->font()));
    m_answeringSpinner->hide();
    m_answeringLabel->setFont(subheadlineFont(m_answeringLabel->font()));
    m_answeringLabel->setForegroundRole(QPalette::PlaceholderText);
    m_answeringLabel->hide();
    QHBoxLayout *answerHeader = makeHeaderRow(m_answerTitle, m_answeringSpinner, m_answeringLabel);
    m_answer->setMinimumHeight(180);
    m_answer->setPlaceholder(QStringLiteral("No answer yet."));
    m_answer->setAccessibleTexts(QStringLiteral("Answer"));
    m_answer->editor()->setCitationLinks(true);
    connect(m_answer->editor(), &TextView::citationActivated, this, [this](const CitationMarker &marker) {
        if (!m_shownID.isNull())
            Q_EMIT citationActivated(m_shownID, marker);
    });
    m_answer->copyButton()->setTextProvider([this] { return m_answerText; });
    m_answer->setSource(this, &m_answerText);
    auto *answerSection = new QVBoxLayout;
    answerSection->setSpacing(6);
    answerSection->addLayout(answerHeader);
    answerSection->addWidget(m_answer, 1);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(12);
    column->addLayout(header);
    column->addLayout(questionSection);
    column->addLayout(answerSection, 1);

    connect(m_picker, &QComboBox::activated, this, [this](int index) {
        const QUuid id = m_picker->itemData(index).value<QUuid>();
        if (!id.isNull())
            Q_EMIT picked(id);
    });
    refreshCopyButtons();
    followLanguage(this, [this] { retranslate(); });
}

void CompareColumn::setEntries(const QList<TabComparePage::Entry> &entries, const QUuid &selected)
{
    const QSignalBlocker blocker(m_picker);
    if (entries != m_entries) {
        m_entries = entries;
        m_picker->clear();
        for (const TabComparePage::Entry &entry : entries)
            m_picker->addItem(entry.label, QVariant::fromValue(entry.id));
    }
    // An id that is not listed leaves the picker on its "tovikRAG" placeholder.
    m_picker->setCurrentIndex(selected.isNull() ? -1 : m_picker->findData(QVariant::fromValue(selected)));
}

void CompareColumn::showTab(const std::optional<OpenTabCatalog::Tab> &tab)
{
    const QUuid id = tab ? tab->id : QUuid();
    const bool sameTab = id == m_shownID;
    m_shownID = id;

    const QString question = tab ? tab->question : QString();
    if (!sameTab || question != m_questionText) {
        m_questionText = question;
        m_question->setText(question);
    }
    showAnswer(tab ? tab->answer : QString(), sameTab);

    const bool asking = tab && tab->isAsking;
    if (asking != m_isAsking) {
        m_isAsking = asking;
        m_answeringSpinner->setVisible(asking);
        m_answeringLabel->setVisible(asking);
        m_answer->setWaiting(asking, QStringLiteral("Waiting for rag…"));
    }
    refreshCopyButtons();
}

// While a tab streams, its answer only grows: the box is told of the new end instead of
// laying out the whole text again, so a reader's selection stays and a reader at the
// bottom keeps following it. The box reads the column's own share of the answer.
void CompareColumn::showAnswer(const QString &answer, bool sameTab)
{
    if (sameTab && answer == m_answerText)
        return;
    const bool grows = sameTab && !m_answerText.isEmpty() && answer.size() > m_answerText.size()
        && QStringView(answer).startsWith(m_answerText);
    m_answerText = answer;
    if (grows)
        m_answer->sourceAppended();
    else
        m_answer->sourceReplaced();
}

void CompareColumn::refreshCopyButtons()
{
    // The box shows its copy button for any text; white space alone is nothing to copy.
    m_question->copyButton()->setVisible(!trimmedView(m_questionText).isEmpty());
    m_answer->copyButton()->setVisible(!trimmedView(m_answerText).isEmpty());
}

void CompareColumn::retranslate()
{
    const QString title = translate(m_titleEnglish);
    m_title->setText(title);
    m_picker->setAccessibleName(title);
    m_picker->setToolTip(translate(QStringLiteral("Same order as the window tabs, left to right.")));
    m_questionTitle->setText(translate(QStringLiteral("Question")));
    m_answerTitle->setText(translate(QStringLiteral("Answer")));
    m_answeringLabel->setText(translate(QStringLiteral("Answering…")));
    refreshCopyButtons();
}

} // namespace tovik
