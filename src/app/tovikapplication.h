#pragma once

#include <QApplication>

#include <memory>

namespace tovik {

class MainWindow;

// Creates the process-wide objects once and opens the first main window.
class TovikApplication final : public QApplication
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TovikApplication)

public:
    TovikApplication(int &argc, char **argv);
    ~TovikApplication() override;

    int run();
};

} // namespace tovik
