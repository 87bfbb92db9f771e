// The tab's layout: split view or one column, the sidebar width rule and divider drags.
#include "mainwindow/contentview.h"

#include "documents/findbar.h"

#include "documents/documentpreview.h"
#include "widgets/copytextbutton.h"

#include "appservices.h"
#include "history/historysearchbinding.h"
#include "history/questionhistorylist.h"
#include "history/questionhistorystore.h"
#include "i18n/translate.h"
#include "language/retranslate.h"
#include "mainwindow/ingestdropzone.h"
#include "mainwindow/questionfield.h"
#include "mainwindow/sidebarwidthstore.h"
#include "mainwindow/statusstrip.h"
#include "mainwindow/tabwindowarrangement.h"
#include "mainwindow/textbox.h"
#include "preview/citations.h"
#include "preview/documentpreviewmodel.h"
#include "preview/previewtabmonitor.h"
#include "rag/ragsession.h"
#include "rag/ragsettings.h"
#include "tabs/contentmodel.h"
#include "tabs/contentrules.h"
#include "tabs/opentabregistrar.h"
#include "widgets/messageboxprompts.h"
#include "widgets/symbolicon.h"

#include <QButtonGroup>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSplitter>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace tovik {

void ContentView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    applyLayout();
}

void ContentView::applyLayout()
{
    const bool compact = width() <= compactWidth;
    const bool compactChanged = compact != m_compact;
    m_compact = compact;
    if (compact) {
        m_sidebar->setVisible(m_sidebarShown);
        m_detail->setVisible(!m_sidebarShown);
        m_sidebar->setMaximumWidth(QWIDGETSIZE_MAX);
    } else {
        m_sidebar->setVisible(m_sidebarShown);
        m_detail->setVisible(true);
        applySidebarWidth(compactChanged);
    }
    if (compactChanged)
        Q_EMIT sidebarShownChanged();
}

void ContentView::applySidebarWidth(bool force)
{
    if (m_compact)
        return;
    const double available = width();
    const SidebarWidthRule rule =
        SidebarWidthRule::compute(available, SidebarWidthStore::shared().width(), m_sidebarShown);
    // The column minimum depends on the window width, so it is kept by the splitter's
    // moves below rather than as a widget minimum that would stop the window shrinking.
    m_sidebarMinimum = static_cast<int>(rule.minimum);
    m_sidebar->setMaximumWidth(static_cast<int>(rule.maximum));
    if (m_sidebarShown && m_sidebar->width() < m_sidebarMinimum) {
        const int total = m_split->width() - m_split->handleWidth();
        m_split->setSizes({m_sidebarMinimum, std::max(1, total - m_sidebarMinimum)});
    }
    const bool changed = rule.enforced.has_value() != m_enforcedWidth.has_value()
        || (rule.enforced && std::abs(*rule.enforced - *m_enforcedWidth) > 0.5);
    m_enforcedWidth = rule.enforced;
    if (!m_sidebarShown)
        return;
    if (!(changed || force || !m_appliedOnce))
        return;
    m_appliedOnce = true;
    const int target = static_cast<int>(rule.enforced ? *rule.enforced : rule.ideal);
    const int total = m_split->width() - m_split->handleWidth();
    if (total > target)
        m_split->setSizes({target, total - target});
}

void ContentView::commitDividerDrag()
{
    if (!m_sidebarShown || m_compact)
        return;
    const std::optional<double> remembered = rememberedDividerWidth(m_sidebar->width(), width(), m_enforcedWidth);
    if (!remembered)
        return;
    // The width still holds for every tab of this run; the tab says it won't be kept.
    if (const std::optional<QString> error = SidebarWidthStore::shared().commit(*remembered))
        m_model->session().setErrorMessage(*error);
}

bool ContentView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_split->handle(1) && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
        QTimer::singleShot(0, this, &ContentView::commitDividerDrag);
    if (watched == m_documentsPage->findBar() && event->type() == QEvent::Show && m_findFocusPending) {
        m_findFocusPending = false;
        QTimer::singleShot(0, this, [this] {
            QLineEdit *field = m_documentsPage->findBar()->field();
            field->setFocus(Qt::ShortcutFocusReason);
            field->selectAll();
        });
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tovik
