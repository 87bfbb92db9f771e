#pragma once

#include "standardbox.h"

#include <QStringList>

class QLabel;
class QPlainTextEdit;
class QProgressBar;

namespace tovik {

class CopyTextButton;

// A scrolling, selectable text on the standard box, with a placeholder when empty, an
// optional copy button at its top-trailing corner, and an optional waiting state.
// Lines are appended without laying out the text again, so long streams stay fast.
class TextBox final : public StandardBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TextBox)

public:
    // `copyItem` is the English item name of the copy button; empty for none.
    explicit TextBox(const QString &copyItem, QWidget *parent = nullptr);

    void setText(const QString &text);
    // Appends one line (without its line feed) to what is shown.
    void appendLine(const QString &line);
    QString text() const;

    // English placeholder shown while the text is empty.
    void setPlaceholder(const QString &english);
    // While waiting and empty, a busy indicator and the English label replace the placeholder.
    void setWaiting(bool waiting, const QString &english = {});
    void setMonospaced(bool monospaced);
    // Height follows the wrapped text between these bounds, with no caret (for the
    // read-only question).
    void setFitHeight(int minimum, int maximum);

    QPlainTextEdit *editor() const { return m_editor; }
    CopyTextButton *copyButton() const { return m_copy; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void refresh();
    void placeCopyButton();
    void flushPending();
    void fitHeight();
    int wrappedTextHeight(int width) const;

    QPlainTextEdit *m_editor;
    QLabel *m_placeholder;
    QWidget *m_waiting;
    QLabel *m_waitingLabel;
    CopyTextButton *m_copy = nullptr;
    QStringList m_pending;
    QString m_placeholderEnglish;
    QString m_waitingEnglish;
    bool m_isWaiting = false;
    bool m_isEmpty = true;
    int m_fitMinimum = 0;
    int m_fitMaximum = 0;
};

} // namespace tovik
