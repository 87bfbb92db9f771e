#include "mainwindow.h"

#include <QLabel>
#include <QTabWidget>

namespace tovik {

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("tovik"));
    setWindowTitle(QStringLiteral("tovikRAG"));
    resize(1080, 720);
    auto *tabs = new QTabWidget(this);
    tabs->addTab(new QLabel(QStringLiteral("tovikRAG"), tabs), QStringLiteral("tovikRAG"));
    setCentralWidget(tabs);
}

} // namespace tovik
