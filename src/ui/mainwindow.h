#pragma once

#include <QMainWindow>

namespace tovik {

// One main window ("tovik"): a tab bar of workspaces.
class MainWindow final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)

public:
    explicit MainWindow(QWidget *parent = nullptr);
};

} // namespace tovik
