#pragma once

#include "widgets/standardbox.h"

#include "mainwindow/textview.h"

class QLabel;
class QProgressBar;

namespace tovik {

class CopyTextButton;

// A scrolling, selectable text on the standard box, with a placeholder when empty, an
// optional copy button at its top-trailing corner, and an optional waiting state.
// The text view lays out only what it shows, so long streams and huge lines stay fast;
// a text kept elsewhere (a session's answer) is shown without a copy.
class TextBox final : public StandardBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TextBox)

public:
    // `copyItem` is the English item name of the copy button; empty for none.
    explicit TextBox(const QString &copyItem, QWidget *parent = nullptr);

    void setText(const QString &text);
    // Appends one line (without its line feed) to what setText gave.
    void appendLine(const QString &line);
    // Shows `*text`, kept by `owner`, without its final line feed and without copying
    // it; the owner announces changes with sourceAppended() and sourceReplaced().
    void setSource(QObject *owner, const QString *text);
    void sourceAppended();
    void sourceReplaced();
    // The text as shown.
    QString text() const;

    // English placeholder shown while the text is empty.
    void setPlaceholder(const QString &english);
    // While waiting and empty, a busy indicator and the English label replace the placeholder.
    void setWaiting(bool waiting, const QString &english = {});
    void setMonospaced(bool monospaced);
    // What a screen reader calls the text and says about it (English, translated here).
    void setAccessibleTexts(const QString &englishName, const QString &englishDescription = {});
    // Height follows the wrapped text between these bounds, with no caret (for the
    // read-only question).
    void setFitHeight(int minimum, int maximum);

    TextView *editor() const { return m_editor; }
    CopyTextButton *copyButton() const { return m_copy; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void refresh();
    void textChanged();
    void placeCopyButton();
    void fitHeight();

    TextView *m_editor;
    QLabel *m_placeholder;
    QWidget *m_waiting;
    QLabel *m_waitingLabel;
    CopyTextButton *m_copy = nullptr;
    QString m_placeholderEnglish;
    QString m_waitingEnglish;
    QString m_nameEnglish;
    QString m_descriptionEnglish;
    bool m_isWaiting = false;
    bool m_isEmpty = true;
    int m_fitMinimum = 0;
    int m_fitMaximum = 0;
};

} // namespace tovik
