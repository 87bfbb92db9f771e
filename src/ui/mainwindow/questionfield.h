#pragma once

#include <QPlainTextEdit>

#include <functional>

namespace tovik {

// The question field: grows from 2 to 5 lines. Plain Return asks when asking is
// possible (once per press, never on auto-repeat) and otherwise inserts a line break;
// Shift+Return always inserts one; Return while an input method composes belongs to it.
class QuestionField final : public QPlainTextEdit
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(QuestionField)

public:
    explicit QuestionField(QWidget *parent = nullptr);

    // Asked on each Return: true when Return should submit instead of breaking the line.
    std::function<bool()> consumesReturn;
    bool isComposing() const { return m_composing; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void submitted();
    void focusChanged(bool focused);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    int heightForLines(int lines) const;
    void updateHeight();

    bool m_composing = false;
};

} // namespace tovik
