#pragma once

#include "tabs/opentabcatalog.h"

#include <QMetaObject>
#include <QObject>
#include <QPointer>

namespace tovik {

// Feeds one tab into the open tab catalog. The tab reports every change of its values
// and the window its view sits in; the registrar publishes once per event-loop turn
// with the latest values, marks the tab as the last front tab when its window becomes
// key, and takes it out of the catalog when its window closes or the registrar is
// destroyed. After that it ignores the tab for good.
// Interface thread only.
class OpenTabRegistrar final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(OpenTabRegistrar)

public:
    explicit OpenTabRegistrar(const QUuid &tabID, OpenTabCatalog &catalog = OpenTabCatalog::shared(),
                              QObject *parent = nullptr);
    ~OpenTabRegistrar() override;

    QUuid tabID() const { return m_snapshot.id; }
    // The values the next publish carries.
    const OpenTabCatalog::Tab &snapshot() const { return m_snapshot; }
    WindowId window() const { return m_window; }
    bool isClosed() const { return m_didClose; }

    // Every change of the tab's title, question, answer or asking flag.
    void update(const QString &title, const QString &question, const QString &answer, bool isAsking);
    // The tab's view moved into a window (or out of one: null).
    void setWindow(WindowId window);
    // The tab's window is about to close: the tab leaves the catalog.
    void close();

private:
    void requestPublish(WindowId window);
    void publishNow();
    void bindWindowObservers();
    void unbindWindowObservers();
    void removeLater();

    QPointer<OpenTabCatalog> m_catalog;
    OpenTabCatalog::Tab m_snapshot;
    WindowId m_window;
    WindowId m_pendingWindow;
    WindowId m_boundWindow;
    QMetaObject::Connection m_keyObserver;
    QMetaObject::Connection m_closeObserver;
    bool m_queued = false;
    bool m_didClose = false;
};

} // namespace tovik
