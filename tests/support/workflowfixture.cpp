#include "support/workflowfixture.h"

#include "history/questionhistorystore.h"
#include "rag/ragsettings.h"
#include "support/isolatedhome.h"

#include <QFile>

namespace tovik::test {

WorkflowFixture::WorkflowFixture()
{
    ragPath = folder.filePath(QStringLiteral("rag"));
    QFile::copy(testDataPath() + QStringLiteral("/support/fake-rag.sh"), ragPath);
    QFile::setPermissions(ragPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    settings = std::make_unique<RagSettings>();
    settings->setRagPath(ragPath);
    settings->setWorkingDirectory(folder.path());
    history = std::make_unique<QuestionHistoryStore>(folder.filePath(QStringLiteral("questions.sqlite")),
                                                     QuestionHistoryStore::Clock{});
    history->openIfNeeded();
}

WorkflowFixture::~WorkflowFixture() = default;

} // namespace tovik::test
