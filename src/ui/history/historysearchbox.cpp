#include "history/historysearchbox.h"

#include "i18n/translate.h"
#include "language/retranslate.h"
#include "search/historysearchcontroller.h"
#include "widgets/busybar.h"
#include "widgets/symbolicon.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace tovik {

namespace {

using Phase = HistorySearchController::AssistantPhase;

// The rounded field: the text colour at 5 % behind it, at 16 % around it.
class SearchFrame final : public QWidget
{
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QColor primary = palette().color(QPalette::WindowText);
        QPainterPath shape;
        // Half a pixel in, so the 1 px stroke lies inside the edge.
        shape.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
        QColor fill = primary;
        fill.setAlphaF(0.05);
        painter.fillPath(shape, fill);
        QColor stroke = primary;
        stroke.setAlphaF(0.16);
        painter.setPen(QPen(stroke, 1));
        painter.drawPath(shape);
    }
};

} // namespace

HistorySearchBox::HistorySearchBox(HistorySearchController &controller, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_box(new SearchFrame(this))
    , m_glass(new QLabel(m_box))
    , m_field(new QLineEdit(m_box))
    , m_spinner(makeBusyBar(24, m_box))
    , m_clear(new QToolButton(m_box))
    , m_caption(new QLabel(this))
{
    showSymbol(m_glass, QStringLiteral("magnifyingglass"), fontMetrics().height());
    m_glass->setForegroundRole(QPalette::PlaceholderText);
    m_field->setFrame(false);
    setFocusProxy(m_field);
    m_field->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
    m_clear->setAutoRaise(true);
    m_clear->setCursor(Qt::ArrowCursor);
    m_clear->setFocusPolicy(Qt::NoFocus);
    const int side = fontMetrics().height();
    m_clear->setIconSize(QSize(side, side));
    m_clear->setIcon(symbolIcon(QStringLiteral("xmark.circle.fill"), m_clear));
    if (m_clear->icon().isNull())
        m_clear->setText(QStringLiteral("\u2715"));
    m_clear->setStyleSheet(QStringLiteral("QToolButton { border: none; padding: 0; }"));

    QFont captionFont = m_caption->font();
    captionFont.setPointSizeF(captionFont.pointSizeF() * 0.85);
    m_caption->setFont(captionFont);
    m_caption->setForegroundRole(QPalette::PlaceholderText);
    m_caption->setWordWrap(true);

    auto *row = new QHBoxLayout(m_box);
    row->setContentsMargins(8, 6, 8, 6);
    row->setSpacing(6);
    row->addWidget(m_glass, 0, Qt::AlignVCenter);
    row->addWidget(m_field, 1, Qt::AlignVCenter);
    row->addWidget(m_spinner, 0, Qt::AlignVCenter);
    row->addWidget(m_clear, 0, Qt::AlignVCenter);

    auto *group = new QVBoxLayout(this);
    group->setContentsMargins(0, 0, 0, 0);
    group->setSpacing(4);
    group->addWidget(m_box);
    group->addWidget(m_caption);

    connect(m_field, &QLineEdit::textEdited, &m_controller, &HistorySearchController::setQuery);
    connect(m_clear, &QToolButton::clicked, &m_controller, [this] { m_controller.setQuery(QString()); });
    connect(&m_controller, &HistorySearchController::changed, this, &HistorySearchBox::refresh);
    followLanguage(this, [this] {
        setToolTip(translate(
            QStringLiteral("Search with one sentence. The assistant understands negation, for example「冇提過陳大文」.")));
        m_field->setPlaceholderText(translate(QStringLiteral("Search questions and answers in plain language")));
        m_field->setAccessibleName(translate(QStringLiteral("Search history")));
        m_clear->setAccessibleName(translate(QStringLiteral("Clear search")));
        refresh();
    });
}

void HistorySearchBox::refresh()
{
    // Only a change from elsewhere (the clear button) is written back, so typing keeps its cursor.
    if (m_field->text() != m_controller.query())
        m_field->setText(m_controller.query());
    m_clear->setVisible(!m_controller.query().isEmpty());

    const bool searching = m_controller.isSearching();
    const Phase phase = m_controller.assistantPhase();
    m_spinner->setVisible(searching);
    m_spinner->setAccessibleName(translate(phase == Phase::checking ? QStringLiteral("Assistant is checking")
                                                                    : QStringLiteral("Searching")));
    m_caption->setText(m_controller.assistantCaption());
    m_caption->setVisible(phase != Phase::idle);
}

} // namespace tovik
