#include "documents/previewheaderrow.h"

#include <QLabel>
#include <QVBoxLayout>

namespace tovik {

namespace {

QLabel *selectableLabel(QWidget *parent, qreal scale, bool bold)
{
    auto *label = new QLabel(parent);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    label->setWordWrap(true);
    // A long path without spaces must not widen the sidebar; it is clipped and
    // shown whole in its tooltip.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    label->setMinimumWidth(1);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * scale);
    font.setBold(bold);
    label->setFont(font);
    return label;
}

} // namespace

PreviewHeaderRow::PreviewHeaderRow(QWidget *parent)
    : QWidget(parent)
    , m_filename(selectableLabel(this, 1.0, true))
    , m_sourcePath(selectableLabel(this, 0.85, false))
    , m_problem(selectableLabel(this, 0.95, false))
{
    m_sourcePath->setForegroundRole(QPalette::PlaceholderText);
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 12, 0, 0);
    column->setSpacing(2);
    column->addWidget(m_filename);
    column->addWidget(m_sourcePath);
    column->addWidget(m_problem);
}

void PreviewHeaderRow::setDocument(const CitedDocument &document)
{
    m_filename->setText(document.filename);
    m_filename->setToolTip(document.filename);
    m_sourcePath->setText(document.sourcePath.value_or(QString()));
    m_sourcePath->setToolTip(m_sourcePath->text());
    m_sourcePath->setVisible(document.sourcePath.has_value());
    m_problem->setText(document.problem.value_or(QString()));
    m_problem->setVisible(document.problem.has_value());
}

void PreviewHeaderRow::setFirst(bool first)
{
    layout()->setContentsMargins(0, first ? 0 : 12, 0, 0);
}

QString PreviewHeaderRow::filenameText() const
{
    return m_filename->text();
}

QString PreviewHeaderRow::sourcePathText() const
{
    return m_sourcePath->isVisibleTo(this) ? m_sourcePath->text() : QString();
}

QString PreviewHeaderRow::problemText() const
{
    return m_problem->isVisibleTo(this) ? m_problem->text() : QString();
}

} // namespace tovik
