#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QProgressBar;
class QToolButton;

namespace tovik {

class PreviewFind;

// The find bar above the cited pages: the query field, a clear button, the match
// status and Previous / Next. Return and Ctrl+G go to the next match, Shift+Ctrl+G to
// the previous one; Escape empties a non-empty query, and on an empty one asks to leave
// the field.
class FindBar final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FindBar)

public:
    explicit FindBar(PreviewFind &find, QWidget *parent = nullptr);

    QLineEdit *field() const { return m_field; }
    QToolButton *clearButton() const { return m_clear; }
    QToolButton *previousButton() const { return m_previous; }
    QToolButton *nextButton() const { return m_next; }
    QLabel *statusLabel() const { return m_status; }
    QProgressBar *statusSpinner() const { return m_spinner; }

Q_SIGNALS:
    // Escape on an empty query: the user is done finding.
    void leaveRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refresh();
    void refreshTexts();

    PreviewFind &m_find;
    QLineEdit *m_field;
    QToolButton *m_clear;
    QWidget *m_statusBox;
    QProgressBar *m_spinner;
    QLabel *m_status;
    QToolButton *m_previous;
    QToolButton *m_next;
};

} // namespace tovik
