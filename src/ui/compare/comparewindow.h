#pragma once

#include "tabs/tabcomparepage.h"

#include <QMainWindow>

class QStackedWidget;
class QToolButton;
class QAction;

namespace tovik {

class CompareColumn;
class EmptyStatePanel;

// The single "Compare Tabs" window: the questions and answers of two answered tabs side
// by side, or one side at a time when the window is narrow. It reads the open tab
// catalog, follows the answers as they stream and never changes the tabs. It is a window
// of its own and never joins a main window's tab bar.
class CompareWindow final : public QMainWindow
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CompareWindow)

public:
    explicit CompareWindow(OpenTabCatalog &catalog = OpenTabCatalog::shared(), QWidget *parent = nullptr);
    ~CompareWindow() override;

    // Opens the one compare window over the shared catalog, or brings it to the front
    // when it is already open.
    static CompareWindow *showShared();
    // The open compare window, if any.
    static CompareWindow *sharedWindow();

    TabComparePage &page() const { return *m_page; }
    // At or below the compact width one column shows at a time.
    bool isCompact() const { return m_compact; }

    CompareColumn *leftColumn() const { return m_left; }
    CompareColumn *rightColumn() const { return m_right; }
    EmptyStatePanel *emptyState() const { return m_empty; }
    QToolButton *flipButton() const { return m_flip; }
    QToolButton *pinButton() const { return m_pin; }

    static constexpr int defaultWidth = 1100;
    static constexpr int defaultHeight = 720;

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildToolbar();
    void retranslate();
    void refreshLayout();
    void refreshPickers();
    void refreshColumns();
    void refreshPin();
    void applyStaysOnTop();

    TabComparePage *m_page;
    QStackedWidget *m_stack;
    EmptyStatePanel *m_empty;
    QWidget *m_comparison;
    CompareColumn *m_left;
    QWidget *m_divider;
    CompareColumn *m_right;
    QToolButton *m_flip = nullptr;
    QToolButton *m_pin = nullptr;
    QAction *m_flipAction = nullptr;
    bool m_compact = false;
    bool m_appeared = false;
};

} // namespace tovik
