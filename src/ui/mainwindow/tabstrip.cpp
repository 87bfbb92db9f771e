#include "mainwindow/tabstrip.h"

#include "i18n/translate.h"
#include "language/retranslate.h"
#include "language/uitexts.h"
#include "widgets/symbolicon.h"

#include <QHBoxLayout>
#include <QTabBar>
#include <QToolButton>

namespace tovik {

TabStrip::TabStrip(QWidget *parent)
    : QWidget(parent)
    , m_bar(new QTabBar(this))
    , m_newTab(new QToolButton(this))
{
    m_bar->setMovable(true);
    m_bar->setTabsClosable(true);
    m_bar->setExpanding(false);
    m_bar->setDocumentMode(true);
    m_bar->setUsesScrollButtons(true);
    m_bar->setElideMode(Qt::ElideRight);
    m_bar->setContextMenuPolicy(Qt::CustomContextMenu);
    m_bar->setFocusPolicy(Qt::TabFocus);

    m_newTab->setIcon(symbolIcon(QStringLiteral("plus"), m_newTab));
    m_newTab->setAutoRaise(true);
    m_newTab->setFocusPolicy(Qt::TabFocus);
    followLanguage(this, [this] {
        m_newTab->setToolTip(uiText(UiText::NewTab));
        m_newTab->setAccessibleName(uiText(UiText::NewTab));
    });

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 0);
    row->setSpacing(2);
    row->addWidget(m_bar, 0);
    row->addWidget(m_newTab, 0);
    row->addStretch(1);

    connect(m_newTab, &QToolButton::clicked, this, &TabStrip::newTabRequested);
    connect(m_bar, &QTabBar::customContextMenuRequested, this, [this](const QPoint &pos) {
        const int index = m_bar->tabAt(pos);
        if (index >= 0)
            Q_EMIT contextMenuRequested(index, m_bar->mapToGlobal(pos));
    });
}

} // namespace tovik
