#pragma once

#include <QWidget>

class QTabBar;
class QToolButton;

namespace tovik {

// The main window's own tab bar: the tabs, left to right, and a new-tab button that
// sits right after them and is never covered.
class TabStrip final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TabStrip)

public:
    explicit TabStrip(QWidget *parent = nullptr);

    QTabBar *bar() const { return m_bar; }
    QToolButton *newTabButton() const { return m_newTab; }

Q_SIGNALS:
    void newTabRequested();
    void contextMenuRequested(int index, const QPoint &globalPos);

private:
    QTabBar *m_bar;
    QToolButton *m_newTab;
};

} // namespace tovik
