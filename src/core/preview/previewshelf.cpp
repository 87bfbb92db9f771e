#include "preview/previewshelf.h"

#include "tabs/contentrules.h"

namespace tovik {

PreviewShelf &PreviewShelf::shared()
{
    static PreviewShelf shelf;
    return shelf;
}

void PreviewShelf::setSlot(const QUuid &tabID, const Slot &slot)
{
    m_slots.insert(tabID, slot);
}

std::optional<PreviewShelf::Slot> PreviewShelf::slot(const QUuid &tabID) const
{
    if (const auto it = m_slots.constFind(tabID); it != m_slots.cend())
        return *it;
    return std::nullopt;
}

void PreviewShelf::beginQuestion(const QUuid &tabID)
{
    deactivateAllBut(tabID);
    const std::optional<Slot> mine = slot(tabID);
    if (!mine || !mine->model)
        return;
    mine->model->setAcceptsLoads(true);
    mine->model->reset();
}

void PreviewShelf::refresh(const QUuid &tabID)
{
    const std::optional<Slot> mine = slot(tabID);
    if (!mine)
        return;
    const bool hasAnswer = !trimmedView(mine->answer).isEmpty();
    if (!hasAnswer && !mine->isAsking)
        return;
    deactivateAllBut(tabID);
    if (!mine->model)
        return;
    mine->model->setAcceptsLoads(true);
    if (hasAnswer)
        mine->model->load(mine->answer, mine->workingDirectory);
}

void PreviewShelf::remove(const QUuid &tabID)
{
    const std::optional<Slot> mine = slot(tabID);
    if (mine && mine->model)
        mine->model->deactivate();
    m_slots.remove(tabID);
}

void PreviewShelf::deactivateAllBut(const QUuid &tabID)
{
    // Deactivating emits signals whose observers may call back into the shelf, so
    // walk a copy.
    const QHash<QUuid, Slot> all = m_slots;
    for (auto it = all.cbegin(); it != all.cend(); ++it) {
        if (it.key() != tabID && it->model)
            it->model->deactivate();
    }
}

} // namespace tovik
