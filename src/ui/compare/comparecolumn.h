#pragma once

#include "preview/citationmarker.h"
#include "tabs/tabcomparepage.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QProgressBar;

namespace tovik {

class TextBox;

// One side of the compare window: the tab picker, the tab's question and its answer.
// It only shows what it is given; picks go out through `picked`.
class CompareColumn final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CompareColumn)

public:
    // `title` is the English column title ("Left", "Right").
    explicit CompareColumn(const QString &title, QWidget *parent = nullptr);

    // The picker's entries and the id it shows as picked.
    void setEntries(const QList<TabComparePage::Entry> &entries, const QUuid &selected);
    // The tab to show; none shows the placeholders.
    void showTab(const std::optional<OpenTabCatalog::Tab> &tab);

    QComboBox *picker() const { return m_picker; }
    TextBox *questionBox() const { return m_question; }
    TextBox *answerBox() const { return m_answer; }
    bool showsAnswering() const { return m_isAsking; }

Q_SIGNALS:
    void picked(const QUuid &id);
    // A citation marker of the shown tab's answer was clicked.
    void citationActivated(const QUuid &tabID, const tovik::CitationMarker &marker);

private:
    void retranslate();
    void showAnswer(const QString &answer, bool sameTab);
    void refreshCopyButtons();

    QString m_titleEnglish;
    QLabel *m_title;
    QComboBox *m_picker;
    QLabel *m_questionTitle;
    TextBox *m_question;
    QLabel *m_answerTitle;
    QProgressBar *m_answeringSpinner;
    QLabel *m_answeringLabel;
    TextBox *m_answer;

    QList<TabComparePage::Entry> m_entries;
    QUuid m_shownID;
    QString m_questionText; // as the tab has them, untrimmed
    QString m_answerText;
    bool m_isAsking = false;
};

} // namespace tovik
