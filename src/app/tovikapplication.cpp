#include "tovikapplication.h"

#include "appservices.h"
#include "compare/comparewindow.h"
#include "history/questionhistorystore.h"
#include "mainwindow.h"
#include "rag/ragsettings.h"
#include "settingswindow.h"
#include "tabs/opentabcatalog.h"
#include "tabwindowarrangement.h"

#include <QIcon>

namespace tovik {

TovikApplication::TovikApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setOrganizationName(QStringLiteral("tovikRAGUI"));
    setApplicationName(QStringLiteral("tovikRAGUI"));
    setApplicationDisplayName(QStringLiteral("tovikRAG"));
    setDesktopFileName(QStringLiteral("tovikrag"));
    setQuitOnLastWindowClosed(true);
    // Symbols come from the freedesktop icon theme; desktops without one get Adwaita.
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QStringLiteral("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    QIcon::setFallbackThemeName(QStringLiteral("Adwaita"));

    m_settings = std::make_unique<RagSettings>();
    m_history = std::make_unique<QuestionHistoryStore>();
    m_services = std::make_unique<AppServices>(*m_settings, *m_history);
    OpenTabCatalog::shared().setArrangement(&TabWindowArrangement::shared());
    m_services->openSettingsWindow = [this] { SettingsWindow::showShared(*m_services); };
    m_services->openCompareWindow = [] { CompareWindow::showShared(); };

    // The session manager ending the session counts as quitting.
    connect(this, &QGuiApplication::commitDataRequest, this, [this] { m_services->setTerminating(); });
}

TovikApplication::~TovikApplication() = default;

int TovikApplication::run()
{
    auto *window = new MainWindow(*m_services);
    window->newTab();
    window->show();
    return exec();
}

} // namespace tovik
