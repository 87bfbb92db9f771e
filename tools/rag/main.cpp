// rag: keeps a corpus of documents for a project folder and answers questions from it
// with quoted, cited passages.
//
//   rag status           where the corpus is and what it holds
//   rag ingest PATH      adds one file (PDF, text, Markdown, .docx, .pptx, image)
//   rag ask QUESTION     prints the passages that answer it, one per line, with citations
//   rag --version        its name and version

#include "commands.h"
#include "log.h"

#include <QCoreApplication>
#include <QStringList>

#include <poppler/qt6/poppler-qt6.h>

#include <cstdlib>

namespace {

const char usage[] = "usage: rag status | rag ingest PATH | rag ask QUESTION | rag --version | rag --help";

void popplerMessage(const QString &message, const QVariant &)
{
    ragtool::log::warning(QStringLiteral("pdf: ") + message);
}

// Qt's own messages carry a log prefix too; without one an ask would show them as answer.
void qtMessage(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    ragtool::log::warning(message);
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

int main(int argc, char *argv[])
{
    // Several Tesseract engines run side by side; each must not start threads of its own.
    setenv("OMP_THREAD_LIMIT", "1", 0);
    qInstallMessageHandler(qtMessage);
    QCoreApplication app(argc, argv);
    Poppler::setDebugErrorFunction(popplerMessage, QVariant());

    const QStringList args = app.arguments().mid(1);
    const QString command = args.value(0);
    if (command == QLatin1String("status") && args.size() == 1)
        return ragtool::runStatus();
    if (command == QLatin1String("ingest") && args.size() == 2)
        return ragtool::runIngest(args.at(1));
    if (command == QLatin1String("ingest")) {
        ragtool::log::error(QStringLiteral("ingest takes exactly one file; %1").arg(QLatin1String(usage)));
        return 2;
    }
    if (command == QLatin1String("ask") && args.size() >= 2)
        return ragtool::runAsk(args.mid(1).join(QLatin1Char(' ')));
    if (command == QLatin1String("--version") && args.size() == 1) {
        ragtool::log::print(QStringLiteral("rag " RAG_VERSION));
        return 0;
    }
    if (command == QLatin1String("--help") || command == QLatin1String("-h") || command == QLatin1String("help")) {
        ragtool::log::print(QLatin1String(usage));
        return 0;
    }
    ragtool::log::error(QLatin1String(usage));
    return 2;
}
