#include "mainwindow/statusstrip.h"

#include "i18n/translate.h"
#include "language/retranslate.h"
#include "rag/ragsession.h"
#include "widgets/busybar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace tovik {

StatusStrip::StatusStrip(RagSession &session, QWidget *parent)
    : QWidget(parent)
    , m_session(session)
    , m_spinner(makeBusyBar(48, this))
    , m_headline(new QLabel(this))
    , m_detail(new QLabel(this))
    , m_cancel(new QPushButton(this))
{
    QFont bold = m_headline->font();
    bold.setBold(true);
    m_headline->setFont(bold);
    m_detail->setForegroundRole(QPalette::PlaceholderText);
    m_detail->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_detail->setMinimumWidth(0);
    m_detail->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(10);
    row->addWidget(m_spinner, 0, Qt::AlignVCenter);
    row->addWidget(m_headline, 0, Qt::AlignVCenter);
    row->addWidget(m_detail, 1, Qt::AlignVCenter);
    row->addWidget(m_cancel, 0, Qt::AlignVCenter);

    connect(m_cancel, &QPushButton::clicked, &m_session, &RagSession::cancel);
    for (auto signal : {&RagSession::isBusyChanged, &RagSession::busyLabelChanged, &RagSession::queuedCountChanged,
                        &RagSession::noticeChanged})
        connect(&m_session, signal, this, &StatusStrip::refresh);
    followLanguage(this, [this] { refresh(); });
}

void StatusStrip::refresh()
{
    const bool busy = m_session.isBusy();
    m_spinner->setVisible(busy);
    m_cancel->setVisible(busy);
    m_cancel->setText(translate(QStringLiteral("Cancel")));
    if (busy) {
        m_headline->setText(m_session.busyLabel());
        const int queued = m_session.queuedCount();
        m_detail->setText(queued >= 1 ? translated(QStringLiteral("{count} more queued"),
                                                   {{QStringLiteral("count"), QString::number(queued)}})
                                      : QString());
    } else {
        m_headline->setText(translate(QStringLiteral("Local corpus")));
        m_detail->setText(m_session.noticeText());
    }
    m_detail->setToolTip(m_detail->text());
}

} // namespace tovik
