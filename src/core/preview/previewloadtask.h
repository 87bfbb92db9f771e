#pragma once

#include <QFuture>
#include <QPointer>
#include <QString>

namespace tovik {

class DocumentPreviewModel;

// The documents sidebar's own load of its tab's model: call follow() with the tab's
// answer and working directory whenever either changes (every streamed line is fine)
// and when the sidebar is shown. A load starts when the load key differs from the one
// followed last; the previous load is cancelled then. cancel() (or destruction, when
// the sidebar goes away) cancels the running load; the next follow() starts again.
// GUI thread only.
class PreviewLoadTask final
{
    Q_DISABLE_COPY_MOVE(PreviewLoadTask)

public:
    explicit PreviewLoadTask(DocumentPreviewModel *model);
    ~PreviewLoadTask();

    void follow(const QString &answer, const QString &workingDirectory);
    void cancel();

    // The load started last (finished, cancelled or still running); invalid before.
    QFuture<void> future() const { return m_running; }

private:
    QPointer<DocumentPreviewModel> m_model;
    QString m_key;
    bool m_following = false;
    QFuture<void> m_running;
};

} // namespace tovik
