#pragma once

#include <QObject>

namespace tovik {

// The process-wide "tovikRAGUI.previewPageTextSelection" notification: a page view
// that takes a selection posts itself here, and every other page view drops its own,
// so at most one page in the process shows a selection. GUI thread only.
class PageSelectionCenter final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(PageSelectionCenter)

public:
    static PageSelectionCenter &shared();

    void post(const QObject *view) { Q_EMIT previewPageTextSelection(view); }

Q_SIGNALS:
    void previewPageTextSelection(const QObject *view);

private:
    PageSelectionCenter() = default;
};

} // namespace tovik
