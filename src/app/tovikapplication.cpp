#include "tovikapplication.h"

#include "mainwindow.h"

namespace tovik {

TovikApplication::TovikApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setOrganizationName(QStringLiteral("tovikRAGUI"));
    setApplicationName(QStringLiteral("tovikRAGUI"));
    setApplicationDisplayName(QStringLiteral("tovikRAG"));
    setDesktopFileName(QStringLiteral("tovikrag"));
}

TovikApplication::~TovikApplication() = default;

int TovikApplication::run()
{
    auto *window = new MainWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return exec();
}

} // namespace tovik
