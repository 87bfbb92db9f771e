#include "widgets/emptystatepanel.h"

#include "i18n/translate.h"
#include "language/retranslate.h"
#include "widgets/symbolicon.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tovik {

EmptyStatePanel::EmptyStatePanel(QWidget *parent)
    : QWidget(parent)
    , m_icon(new QLabel(this))
    , m_title(new QLabel(this))
    , m_description(new QLabel(this))
{
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    m_title->setFont(titleFont);
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setWordWrap(true);
    m_description->setAlignment(Qt::AlignCenter);
    m_description->setWordWrap(true);
    m_description->setForegroundRole(QPalette::PlaceholderText);
    m_icon->setAlignment(Qt::AlignCenter);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(16, 16, 16, 16);
    column->setSpacing(8);
    column->addStretch(1);
    column->addWidget(m_icon);
    column->addWidget(m_title);
    column->addWidget(m_description);
    column->addStretch(1);
    followLanguage(this, [this] { refresh(); });
}

void EmptyStatePanel::setContent(const QString &symbol, const QString &title, const QString &description)
{
    m_symbol = symbol;
    m_titleEnglish = title;
    m_descriptionEnglish = description;
    refresh();
}

QString EmptyStatePanel::shownTitle() const
{
    return m_title->text();
}

void EmptyStatePanel::refresh()
{
    showSymbol(m_icon, m_symbol, 40);
    m_title->setText(translate(m_titleEnglish));
    m_description->setText(translate(m_descriptionEnglish));
}

} // namespace tovik
