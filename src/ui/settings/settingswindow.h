#pragma once

#include <QWidget>

class QTabWidget;

namespace tovik {

class AppServices;

// The single settings window: System, Display, Model and Privacy Policy.
class SettingsWindow final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingsWindow)

public:
    explicit SettingsWindow(AppServices &services, QWidget *parent = nullptr);

    // Opens the one settings window, or raises it when it is already open.
    static SettingsWindow *showShared(AppServices &services);

    QTabWidget *pages() const { return m_pages; }

private:
    QTabWidget *m_pages;
};

} // namespace tovik
