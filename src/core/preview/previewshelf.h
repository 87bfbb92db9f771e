#pragma once

#include "preview/documentpreviewmodel.h"

#include <QHash>
#include <QPointer>
#include <QString>
#include <QUuid>

#include <optional>

namespace tovik {

// Knows the preview model of every open tab and lets only the active tab's model
// load: after beginQuestion or refresh for a tab, that tab's model is the only one
// in the shelf that accepts loads. Models are held weakly, so a closed tab's model is
// never kept alive. GUI thread only.
class PreviewShelf final
{
    Q_DISABLE_COPY_MOVE(PreviewShelf)

public:
    // What the shelf knows about one tab; the tab overwrites it before every shelf call.
    struct Slot
    {
        QPointer<DocumentPreviewModel> model;
        QString answer;
        QString workingDirectory;
        bool isAsking = false;
    };

    // The process-wide shelf, made on first use.
    static PreviewShelf &shared();

    // A separate shelf, for tests.
    PreviewShelf() = default;

    void setSlot(const QUuid &tabID, const Slot &slot);
    std::optional<Slot> slot(const QUuid &tabID) const;
    const QHash<QUuid, Slot> &tabSlots() const { return m_slots; }

    // The tab starts asking: every other tab's model stops loading and drops its
    // content; this tab's model may load and starts empty.
    void beginQuestion(const QUuid &tabID);
    // The tab became the active one: unless it has no answer and isn't asking, every
    // other tab's model is deactivated, and this tab's model may load and loads the
    // slot's answer (returning at once; the load goes on in steps).
    void refresh(const QUuid &tabID);
    // The tab went away: its model, if still alive, is deactivated and the slot dropped.
    void remove(const QUuid &tabID);

private:
    void deactivateAllBut(const QUuid &tabID);

    QHash<QUuid, Slot> m_slots;
};

} // namespace tovik
