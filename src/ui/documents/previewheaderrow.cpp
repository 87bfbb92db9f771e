#include "documents/previewheaderrow.h"

#include <QEvent>
#include <QLabel>

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
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

// The labels are placed by hand rather than by a layout: a list of thousands of
// documents asks every header for its height at every layout pass, and a layout would
// have each wrapped label lay out its text again to answer. The answer is kept per width.
void PreviewHeaderRow::setDocument(const CitedDocument &document)
{
    const QString sourcePath = document.sourcePath.value_or(QString());
    const QString problem = document.problem.value_or(QString());
    if (m_filename->text() == document.filename && m_sourcePath->text() == sourcePath
        && !m_sourcePath->isHidden() == document.sourcePath.has_value() && m_problem->text() == problem
        && !m_problem->isHidden() == document.problem.has_value())
        return;
    m_filename->setText(document.filename);
    m_filename->setToolTip(document.filename);
    m_sourcePath->setText(sourcePath);
    m_sourcePath->setToolTip(sourcePath);
    m_sourcePath->setVisible(document.sourcePath.has_value());
    m_problem->setText(problem);
    m_problem->setVisible(document.problem.has_value());
    changed();
}

void PreviewHeaderRow::setFirst(bool first)
{
    const int top = first ? 0 : 12;
    if (m_top == top)
        return;
    m_top = top;
    changed();
}

void PreviewHeaderRow::changed()
{
    m_heights = {};
    updateGeometry();
    placeLabels();
}

QList<QLabel *> PreviewHeaderRow::shownLabels() const
{
    QList<QLabel *> labels;
    for (QLabel *label : {m_filename, m_sourcePath, m_problem}) {
        if (!label->isHidden())
            labels.append(label);
    }
    return labels;
}

const PreviewHeaderRow::Height &PreviewHeaderRow::measure(int width) const
{
    // Layouts ask at the width the row has and at the width of their size hint.
    for (const Height &kept : m_heights) {
        if (kept.width == width)
            return kept;
    }
    Height measured{width, m_top, {}};
    const QList<QLabel *> labels = shownLabels();
    for (qsizetype i = 0; i < labels.size(); ++i) {
        measured.labels[i] = labels[i]->heightForWidth(width);
        measured.height += (i > 0 ? spacing : 0) + measured.labels[i];
    }
    m_heights[1] = m_heights[0];
    m_heights[0] = measured;
    return m_heights[0];
}

int PreviewHeaderRow::heightForWidth(int width) const
{
    return measure(width).height;
}

QSize PreviewHeaderRow::sizeHint() const
{
    return {200, heightForWidth(200)};
}

QSize PreviewHeaderRow::minimumSizeHint() const
{
    return {1, 0};
}

void PreviewHeaderRow::placeLabels()
{
    const Height &measured = measure(width());
    const QList<QLabel *> labels = shownLabels();
    int y = m_top;
    for (qsizetype i = 0; i < labels.size(); ++i) {
        labels[i]->setGeometry(0, y, width(), measured.labels[i]);
        y += measured.labels[i] + spacing;
    }
}

void PreviewHeaderRow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    placeLabels();
}

void PreviewHeaderRow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        changed();
    QWidget::changeEvent(event);
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
