// Test helper: saves questions into the history file given as the only argument,
// forever, printing "saved <id>" once save has returned the record.
#include "history/questionhistorystore.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    tovik::QuestionHistoryStore store(QString::fromLocal8Bit(argv[1]), {});
    // Large answers keep each write busy long enough to be cut in the middle.
    const QString answer = QStringLiteral("答案 answer line\n").repeated(8000);
    for (int i = 0;; ++i) {
        const auto record = store.save(QStringLiteral("question %1").arg(i), answer, QStringLiteral("/work"));
        if (!record) {
            std::fprintf(stderr, "%s\n", qPrintable(store.lastError()));
            return 1;
        }
        std::printf("saved %lld\n", static_cast<long long>(record->id));
        std::fflush(stdout);
    }
}
