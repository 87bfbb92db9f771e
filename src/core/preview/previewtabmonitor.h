#pragma once

#include "preview/previewshelf.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUuid>

namespace tovik {

class DocumentPreviewModel;

// A tab's companion for the preview shelf. The tab creates it with its values, calls
// update() on every change of them, windowBecameKey() whenever its window becomes the
// key (active) window — also when the tab's view enters a window that already is —
// and destroys it when the tab goes away.
//
// - Every update stores a fresh slot for the tab.
// - When isAsking turns true, the shelf begins a question for the tab: the other
//   tabs' models stop loading and this one starts empty.
// - A key window is reported on the next event-loop turn, with the values of that
//   moment: a fresh slot, then the shelf's refresh. Of reports waiting together, in
//   this monitor or any other, only the newest acts: switching tabs quickly leaves the
//   preview of the tab shown last, never of one passed on the way.
// - Destruction removes the tab from the shelf.
// GUI thread only.
class PreviewTabMonitor final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PreviewTabMonitor)

public:
    PreviewTabMonitor(const QUuid &tabID, DocumentPreviewModel *model, const QString &answer,
                      const QString &workingDirectory, bool isAsking, PreviewShelf &shelf = PreviewShelf::shared(),
                      QObject *parent = nullptr);
    ~PreviewTabMonitor() override;

    // A tab keeps its id for life; a different id moves this monitor to another tab,
    // and the old one leaves the shelf as if closed.
    void update(const QUuid &tabID, DocumentPreviewModel *model, const QString &answer,
                const QString &workingDirectory, bool isAsking);
    void windowBecameKey();

    QUuid tabID() const { return m_tabID; }

private:
    void storeSlot();
    void report(quint64 ticket);

    PreviewShelf &m_shelf;
    QUuid m_tabID;
    QPointer<DocumentPreviewModel> m_model;
    QString m_answer;
    QString m_workingDirectory;
    bool m_isAsking = false;
    quint64 m_reportTicket = 0;
};

} // namespace tovik
