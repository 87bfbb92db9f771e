#pragma once

#include <QWidget>

class QComboBox;
class QLabel;

namespace tovik {

// Settings → Display: the interface language.
class DisplaySettingsPage final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DisplaySettingsPage)

public:
    explicit DisplaySettingsPage(QWidget *parent = nullptr);

    QComboBox *languagePicker() const { return m_picker; }
    // Says when the chosen language could not be saved.
    QLabel *messageLabel() const { return m_message; }

private:
    QLabel *m_title;
    QComboBox *m_picker;
    QLabel *m_message;
};

} // namespace tovik
