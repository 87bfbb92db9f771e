#include "mainwindow/ingestdropzone.h"

#include "i18n/translate.h"
#include "language/retranslate.h"
#include "widgets/symbolicon.h"

#include <QDragEnterEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace tovik {

IngestDropZone::IngestDropZone(QWidget *parent)
    : QWidget(parent)
    , m_symbol(new QLabel(this))
    , m_title(new QLabel(this))
    , m_caption(new QLabel(this))
    , m_choose(new QPushButton(this))
{
    setAcceptDrops(true);
    m_symbol->setAlignment(Qt::AlignCenter);
    showSymbol(m_symbol, QStringLiteral("arrow.down.doc"), 32);
    m_title->setAlignment(Qt::AlignCenter);
    m_title->setWordWrap(true);
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setWordWrap(true);
    m_caption->setForegroundRole(QPalette::PlaceholderText);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(16, 22, 16, 22);
    column->setSpacing(8);
    column->addWidget(m_symbol);
    column->addWidget(m_title);
    column->addWidget(m_caption);
    column->addWidget(m_choose, 0, Qt::AlignHCenter);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);

    connect(m_choose, &QPushButton::clicked, this, &IngestDropZone::chooseFilesRequested);
    followLanguage(this, [this] { refresh(); });
}

void IngestDropZone::refresh()
{
    m_title->setText(translate(m_isTargeted ? QStringLiteral("Drop to ingest")
                                            : QStringLiteral("Drop a file here, or choose one")));
    m_caption->setText(translate(
        QStringLiteral("pdf, docx, pptx, text, and images. Each file is handed to rag ingest one at a time.")));
    m_choose->setText(translate(QStringLiteral("Choose Files…")));
    update();
}

void IngestDropZone::setTargeted(bool targeted)
{
    if (m_isTargeted == targeted)
        return;
    m_isTargeted = targeted;
    refresh();
    Q_EMIT isTargetedChanged();
}

void IngestDropZone::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor accent = palette().color(QPalette::Highlight);
    QColor fill = m_isTargeted ? accent : palette().color(QPalette::Text);
    fill.setAlphaF(m_isTargeted ? 0.12 : 0.04);
    QColor stroke = m_isTargeted ? accent : palette().color(QPalette::PlaceholderText);
    if (!m_isTargeted)
        stroke.setAlphaF(0.4);
    const QRectF box = QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75);
    QPainterPath path;
    path.addRoundedRect(box, 12, 12);
    painter.fillPath(path, fill);
    QPen pen(stroke, 1.5);
    pen.setDashPattern({7 / 1.5, 5 / 1.5});
    pen.setMiterLimit(10);
    painter.setPen(pen);
    painter.drawPath(path);
}

void IngestDropZone::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasUrls()) {
        event->acceptProposedAction();
        setTargeted(true);
    }
}

void IngestDropZone::dragLeaveEvent(QDragLeaveEvent *event)
{
    QWidget::dragLeaveEvent(event);
    setTargeted(false);
}

void IngestDropZone::dropEvent(QDropEvent *event)
{
    setTargeted(false);
    if (!event->mimeData()->hasUrls())
        return;
    event->acceptProposedAction();
    Q_EMIT filesDropped(event->mimeData()->urls());
}

} // namespace tovik
