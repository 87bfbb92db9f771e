#include "settings/settingswindow.h"

#include "appservices.h"
#include "i18n/translate.h"
#include "language/localefollower.h"
#include "language/retranslate.h"
#include "mainwindow/closeshortcuts.h"
#include "modelserver/modelserversettings.h"
#include "settings/displaysettingspage.h"
#include "settings/modelsettingspage.h"
#include "settings/modeltexts.h"
#include "settings/privacypolicypage.h"
#include "settings/systemsettingspage.h"
#include "widgets/symbolicon.h"

#include <QPointer>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tovik {

SettingsWindow::SettingsWindow(AppServices &services, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_pages(new QTabWidget(this))
{
    setObjectName(QStringLiteral("settings"));
    setAttribute(Qt::WA_DeleteOnClose);
    setMinimumSize(380, 560);
    resize(440, 560);

    m_pages->setDocumentMode(true);
    m_pages->addTab(new SystemSettingsPage(services, m_pages), symbolIcon(QStringLiteral("gear"), m_pages), QString());
    m_pages->addTab(new DisplaySettingsPage(m_pages), symbolIcon(QStringLiteral("textformat"), m_pages), QString());
    m_pages->addTab(new ModelSettingsPage(ModelServerSettings::shared(), m_pages), symbolIcon(QStringLiteral("brain"), m_pages),
                    QString());
    m_pages->addTab(new PrivacyPolicyPage(m_pages), symbolIcon(QStringLiteral("hand.raised"), m_pages), QString());

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(m_pages);

    installCloseShortcuts(this);
    followInterfaceLocale(this);
    followLanguage(this, [this] {
        setWindowTitle(translate(QStringLiteral("Settings")));
        m_pages->setTabText(0, translate(QStringLiteral("System")));
        m_pages->setTabText(1, translate(QStringLiteral("Display")));
        m_pages->setTabText(2, modelText(QStringLiteral("Model")));
        m_pages->setTabText(3, translate(QStringLiteral("Privacy Policy")));
    });
}

SettingsWindow *SettingsWindow::showShared(AppServices &services)
{
    static QPointer<SettingsWindow> shared;
    if (!shared)
        shared = new SettingsWindow(services);
    shared->show();
    shared->raise();
    shared->activateWindow();
    return shared;
}

} // namespace tovik
