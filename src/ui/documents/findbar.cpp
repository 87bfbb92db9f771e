#include "documents/findbar.h"

#include "documents/keyglyphs.h"
#include "i18n/translate.h"
#include "language/retranslate.h"
#include "preview/previewfind.h"
#include "widgets/busybar.h"
#include "widgets/symbolicon.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QShortcut>
#include <QToolButton>

namespace tovik {

namespace {

QToolButton *stepButton(QWidget *parent, const QString &symbol)
{
    auto *button = new QToolButton(parent);
    button->setAutoRaise(true);
    button->setIcon(symbolIcon(symbol, button));
    button->setIconSize(QSize(12, 12));
    button->setFixedSize(22, 22);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

} // namespace

FindBar::FindBar(PreviewFind &find, QWidget *parent)
    : QWidget(parent)
    , m_find(find)
    , m_field(new QLineEdit(this))
    , m_clear(new QToolButton(this))
    , m_statusBox(new QWidget(this))
    , m_spinner(makeBusyBar(20, m_statusBox))
    , m_status(new QLabel(m_statusBox))
    , m_previous(stepButton(this, QStringLiteral("chevron.up")))
    , m_next(stepButton(this, QStringLiteral("chevron.down")))
{
    auto *glass = new QLabel(this);
    showSymbol(glass, QStringLiteral("magnifyingglass"), 14);
    m_field->setFrame(false);
    m_field->installEventFilter(this);
    m_clear->setAutoRaise(true);
    m_clear->setIcon(symbolIcon(QStringLiteral("xmark.circle.fill"), m_clear));
    m_clear->setIconSize(QSize(12, 12));
    m_clear->setFocusPolicy(Qt::NoFocus);
    QFont caption = m_status->font();
    caption.setPointSizeF(caption.pointSizeF() * 0.85);
    caption.setStyleHint(QFont::Monospace, QFont::PreferDefault);
    m_status->setFont(caption);
    m_status->setForegroundRole(QPalette::PlaceholderText);
    auto *statusLine = new QHBoxLayout(m_statusBox);
    statusLine->setContentsMargins(0, 0, 0, 0);
    statusLine->setSpacing(4);
    statusLine->addWidget(m_spinner, 0, Qt::AlignVCenter);
    statusLine->addWidget(m_status);

    auto *line = new QHBoxLayout(this);
    line->setContentsMargins(0, 0, 0, 0);
    line->setSpacing(6);
    line->addWidget(glass);
    line->addWidget(m_field, 1);
    line->addWidget(m_clear);
    line->addWidget(m_statusBox);
    line->addWidget(m_previous);
    line->addWidget(m_next);

    connect(m_field, &QLineEdit::textChanged, &m_find, &PreviewFind::setFindQuery);
    connect(m_field, &QLineEdit::returnPressed, &m_find, [this] { m_find.moveFind(+1); });
    connect(m_clear, &QToolButton::clicked, m_field, &QLineEdit::clear);
    connect(m_previous, &QToolButton::clicked, &m_find, [this] { m_find.moveFind(-1); });
    connect(m_next, &QToolButton::clicked, &m_find, [this] { m_find.moveFind(+1); });
    // Window-wide, like the buttons they stand for; active only while the bar is shown.
    auto *next = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_G), this);
    connect(next, &QShortcut::activated, &m_find, [this] { m_find.moveFind(+1); });
    auto *previous = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G), this);
    connect(previous, &QShortcut::activated, &m_find, [this] { m_find.moveFind(-1); });

    for (auto signal : {&PreviewFind::findQueryChanged, &PreviewFind::findMatchesChanged,
                        &PreviewFind::findIndexChanged, &PreviewFind::findOCRPendingChanged})
        connect(&m_find, signal, this, &FindBar::refresh);
    followLanguage(this, [this] {
        refreshTexts();
        refresh();
    });
}

void FindBar::refreshTexts()
{
    const QString placeholder = translate(QStringLiteral("Search the text layer"));
    m_field->setPlaceholderText(placeholder);
    m_field->setAccessibleName(placeholder);
    m_clear->setAccessibleName(translate(QStringLiteral("Clear search")));
    m_clear->setToolTip(m_clear->accessibleName());
    m_previous->setAccessibleName(translate(QStringLiteral("Previous")));
    m_previous->setToolTip(m_previous->accessibleName());
    m_next->setAccessibleName(translate(QStringLiteral("Next")));
    m_next->setToolTip(m_next->accessibleName());
    setToolTip(withPlatformKeyNames(translate(
        QStringLiteral("Search selectable text on the preview pages. Return or ⌘G for the next match, ⇧⌘G for the "
                       "previous. Scanned pages are recognized first."))));
}

void FindBar::refresh()
{
    if (m_field->text() != m_find.findQuery())
        m_field->setText(m_find.findQuery());
    m_clear->setVisible(!m_find.findQuery().isEmpty());
    m_statusBox->setVisible(m_find.showsStatus());
    m_spinner->setVisible(m_find.findOCRPending());
    m_status->setText(m_find.visibleStatus());
    m_status->setAccessibleName(m_find.findStatus());
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
            if (m_field->text().isEmpty()) {
                Q_EMIT leaveRequested();
                key->ignore(); // and passed on to whoever handles Escape above
                return false;
            }
            m_field->clear();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tovik
