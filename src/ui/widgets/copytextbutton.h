#pragma once

#include <QToolButton>

#include <functional>

class QTimer;

namespace tovik {

// An icon button that copies a text and shows a check mark for 1.5 seconds.
class CopyTextButton final : public QToolButton
{
    Q_OBJECT
    Q_PROPERTY(bool didCopy READ didCopy NOTIFY didCopyChanged)
    Q_DISABLE_COPY_MOVE(CopyTextButton)

public:
    // `itemName` is the English name of what is copied ("Answer", "Question").
    explicit CopyTextButton(const QString &itemName, QWidget *parent = nullptr);

    void setText(const QString &text) { m_text = text; m_provider = nullptr; }
    // For long, growing texts: the text is read only when the button is pressed.
    void setTextProvider(std::function<QString()> provider) { m_provider = std::move(provider); }
    QString copiedText() const { return m_provider ? m_provider() : m_text; }
    bool didCopy() const { return m_didCopy; }

    static constexpr int resetMilliseconds = 1500;

Q_SIGNALS:
    void didCopyChanged();

private:
    void copy();
    void setDidCopy(bool didCopy);
    void refresh();

    QString m_itemName;
    QString m_text;
    std::function<QString()> m_provider;
    bool m_didCopy = false;
    QTimer *m_reset;
};

} // namespace tovik
