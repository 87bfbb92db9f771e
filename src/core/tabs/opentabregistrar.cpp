#include "tabs/opentabregistrar.h"

#include "tabs/windowarrangement.h"

namespace tovik {

OpenTabRegistrar::OpenTabRegistrar(const QUuid &tabID, OpenTabCatalog &catalog, QObject *parent)
    : QObject(parent)
    , m_catalog(&catalog)
{
    m_snapshot.id = tabID;
}

OpenTabRegistrar::~OpenTabRegistrar()
{
    unbindWindowObservers();
    if (!m_didClose) {
        m_didClose = true;
        removeLater();
    }
}

void OpenTabRegistrar::update(const QString &title, const QString &question, const QString &answer,
                              bool isAsking)
{
    m_snapshot.title = title;
    m_snapshot.question = question;
    m_snapshot.answer = answer;
    m_snapshot.isAsking = isAsking;
    requestPublish(m_window);
    bindWindowObservers();
}

void OpenTabRegistrar::setWindow(WindowId window)
{
    m_window = window;
    bindWindowObservers();
    if (!window.isNull())
        requestPublish(window);
}

void OpenTabRegistrar::close()
{
    if (m_didClose)
        return;
    m_didClose = true;
    removeLater();
}

// Coalesces: whatever arrives before the event loop turns goes out as one publish.
void OpenTabRegistrar::requestPublish(WindowId window)
{
    if (m_didClose)
        return;
    m_pendingWindow = window;
    if (m_queued)
        return;
    m_queued = true;
    QMetaObject::invokeMethod(this, [this] { publishNow(); }, Qt::QueuedConnection);
}

void OpenTabRegistrar::publishNow()
{
    m_queued = false;
    // A close that came after the request wins; publishing now would bring the tab back.
    if (m_didClose || !m_catalog)
        return;
    m_catalog->publish(m_snapshot.id, m_snapshot.title, m_snapshot.question, m_snapshot.answer,
                       m_snapshot.isAsking, m_pendingWindow);
    if (!m_pendingWindow.isNull() && m_pendingWindow == m_catalog->arrangement().keyWindow())
        m_catalog->setLastFrontID(m_snapshot.id);
}

void OpenTabRegistrar::bindWindowObservers()
{
    if (m_window == m_boundWindow)
        return;
    unbindWindowObservers();
    m_boundWindow = m_window;
    if (m_boundWindow.isNull() || !m_catalog)
        return;
    WindowArrangement &windows = m_catalog->arrangement();
    m_keyObserver = connect(&windows, &WindowArrangement::windowBecameKey, this, [this](WindowId window) {
        if (window == m_boundWindow)
            requestPublish(m_window);
    });
    m_closeObserver = connect(&windows, &WindowArrangement::windowWillClose, this, [this](WindowId window) {
        if (window == m_boundWindow)
            close();
    });
}

void OpenTabRegistrar::unbindWindowObservers()
{
    disconnect(m_keyObserver);
    disconnect(m_closeObserver);
    m_boundWindow = {};
}

void OpenTabRegistrar::removeLater()
{
    if (!m_catalog)
        return;
    // Bound to the catalog, so the removal still happens after this registrar is gone.
    OpenTabCatalog *catalog = m_catalog.data();
    QMetaObject::invokeMethod(catalog, [catalog, id = m_snapshot.id] { catalog->remove(id); }, Qt::QueuedConnection);
}

} // namespace tovik
