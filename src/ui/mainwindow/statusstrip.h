#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

namespace tovik {

class RagSession;

// The row above the question: the running job with its queue and Cancel, or
// "Local corpus" with the session's notice.
class StatusStrip final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(StatusStrip)

public:
    StatusStrip(RagSession &session, QWidget *parent = nullptr);

    QPushButton *cancelButton() const { return m_cancel; }
    QLabel *headline() const { return m_headline; }
    QLabel *detail() const { return m_detail; }

private:
    void refresh();

    RagSession &m_session;
    QProgressBar *m_spinner;
    QLabel *m_headline;
    QLabel *m_detail;
    QPushButton *m_cancel;
};

} // namespace tovik
