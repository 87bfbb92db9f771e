#include "preview/previewloadtask.h"

#include "preview/documentpreviewmodel.h"

namespace tovik {

PreviewLoadTask::PreviewLoadTask(DocumentPreviewModel *model)
    : m_model(model)
{
}

PreviewLoadTask::~PreviewLoadTask()
{
    cancel();
}

void PreviewLoadTask::follow(const QString &answer, const QString &workingDirectory)
{
    if (!m_model)
        return;
    QString key = m_model->loadKey(answer, workingDirectory);
    if (m_following && key == m_key)
        return;
    m_running.cancel();
    m_key = std::move(key);
    m_following = true;
    m_running = m_model->load(answer, workingDirectory);
}

void PreviewLoadTask::cancel()
{
    m_running.cancel();
    m_following = false;
    m_key.clear();
}

} // namespace tovik
