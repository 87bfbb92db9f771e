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

private:
    QLabel *m_title;
    QComboBox *m_picker;
};

} // namespace tovik
