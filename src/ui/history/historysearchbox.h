#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QProgressBar;
class QToolButton;

namespace tovik {

class HistorySearchController;

// The plain-language search box above the history list: a one-line field bound
// to the controller's query, a spinner while a search runs, a clear button, and
// the assistant's caption underneath.
class HistorySearchBox final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistorySearchBox)

public:
    explicit HistorySearchBox(HistorySearchController &controller, QWidget *parent = nullptr);

    QLineEdit *field() const { return m_field; }
    QProgressBar *spinner() const { return m_spinner; }
    QToolButton *clearButton() const { return m_clear; }
    QLabel *caption() const { return m_caption; }

private:
    void refresh();

    HistorySearchController &m_controller;
    QWidget *m_box;
    QLabel *m_glass;
    QLineEdit *m_field;
    QProgressBar *m_spinner;
    QToolButton *m_clear;
    QLabel *m_caption;
};

} // namespace tovik
