#include "settings/privacypolicypage.h"

#include "i18n/translate.h"
#include "language/retranslate.h"
#include "widgets/symbolicon.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace tovik {

PrivacyPolicyPage::PrivacyPolicyPage(QWidget *parent)
    : QWidget(parent)
    , m_text(new QLabel(this))
    , m_link(new QPushButton(this))
{
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_link->setIcon(symbolIcon(QStringLiteral("arrow.up.right"), m_link));
    m_link->setFlat(true);
    m_link->setCursor(Qt::PointingHandCursor);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(20, 20, 20, 20);
    column->setSpacing(12);
    column->addWidget(m_text);
    column->addWidget(m_link, 0, Qt::AlignLeft);
    column->addStretch(1);

    m_link->setEnabled(!policyUrl().isEmpty());
    connect(m_link, &QPushButton::clicked, this, [] { QDesktopServices::openUrl(policyUrl()); });
    followLanguage(this, [this] {
        m_text->setText(translate(QStringLiteral("This app keeps questions, answers, and settings on your computer.")));
        m_link->setText(translate(QStringLiteral("Open Privacy Policy")));
    });
}

QUrl PrivacyPolicyPage::policyUrl(const QString &programFolder)
{
    // Installed beside the program as share/tovikrag (the build tree is laid out the same).
    const QFileInfo policy(programFolder + QStringLiteral("/../share/tovikrag/PRIVACY.md"));
    if (!policy.isFile())
        return {};
    return QUrl::fromLocalFile(policy.canonicalFilePath());
}

} // namespace tovik
