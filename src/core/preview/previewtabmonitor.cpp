#include "preview/previewtabmonitor.h"

#include "preview/documentpreviewmodel.h"

namespace tovik {

PreviewTabMonitor::PreviewTabMonitor(const QUuid &tabID, DocumentPreviewModel *model, const QString &answer,
                                     const QString &workingDirectory, bool isAsking, PreviewShelf &shelf,
                                     QObject *parent)
    : QObject(parent)
    , m_shelf(shelf)
    , m_tabID(tabID)
    , m_model(model)
    , m_answer(answer)
    , m_workingDirectory(workingDirectory)
    , m_isAsking(isAsking)
{
    storeSlot();
}

PreviewTabMonitor::~PreviewTabMonitor()
{
    m_shelf.remove(m_tabID);
}

void PreviewTabMonitor::update(const QUuid &tabID, DocumentPreviewModel *model, const QString &answer,
                               const QString &workingDirectory, bool isAsking)
{
    if (tabID != m_tabID) {
        m_shelf.remove(m_tabID);
        m_tabID = tabID;
    }
    const bool startsAsking = isAsking && !m_isAsking;
    m_model = model;
    m_answer = answer;
    m_workingDirectory = workingDirectory;
    m_isAsking = isAsking;
    storeSlot();
    if (startsAsking)
        m_shelf.beginQuestion(m_tabID);
}

namespace {
// The newest key-window report of any tab (GUI thread only).
quint64 &latestReportTicket()
{
    static quint64 ticket = 0;
    return ticket;
}
} // namespace

void PreviewTabMonitor::windowBecameKey()
{
    const quint64 ticket = ++latestReportTicket();
    if (m_reportTicket != 0) {
        // Already waiting: the waiting call acts for this newer report.
        m_reportTicket = ticket;
        return;
    }
    m_reportTicket = ticket;
    QMetaObject::invokeMethod(this, [this] { report(m_reportTicket); }, Qt::QueuedConnection);
}

void PreviewTabMonitor::report(quint64 ticket)
{
    m_reportTicket = 0;
    if (ticket != latestReportTicket())
        return;
    storeSlot();
    m_shelf.refresh(m_tabID);
}

void PreviewTabMonitor::storeSlot()
{
    m_shelf.setSlot(m_tabID, {m_model, m_answer, m_workingDirectory, m_isAsking});
}

} // namespace tovik
