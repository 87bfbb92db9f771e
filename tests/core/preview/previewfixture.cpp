#include "previewfixture.h"

#include "core/pdf/pdffixtures.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QFutureWatcher>
#include <QSignalSpy>
#include <QTest>

#include <sqlite3.h>

namespace tovik::test {

PreviewProject::PreviewProject()
{
    QDir(path()).mkpath(QStringLiteral("data"));
    QFile toml(filePath(QStringLiteral("rag.toml")));
    if (toml.open(QIODevice::WriteOnly))
        toml.write("data_dir = \"data\"\n");
}

QString PreviewProject::filePath(const QString &name) const
{
    return QDir(path()).filePath(name);
}

bool PreviewProject::writeCorpus(const QList<Row> &rows) const
{
    const QString database = filePath(QStringLiteral("data/corpus.sqlite"));
    QFile::remove(database);
    sqlite3 *db = nullptr;
    if (sqlite3_open(QFile::encodeName(database).constData(), &db) != SQLITE_OK)
        return false;
    bool ok = sqlite3_exec(db, "CREATE TABLE documents (filename TEXT, source_path TEXT, ingested_at TEXT)", nullptr,
                           nullptr, nullptr)
        == SQLITE_OK;
    sqlite3_stmt *insert = nullptr;
    ok = ok
        && sqlite3_prepare_v2(db, "INSERT INTO documents VALUES (?, ?, ?)", -1, &insert, nullptr) == SQLITE_OK;
    for (const Row &row : rows) {
        if (!ok)
            break;
        const QByteArray name = row.filename.toUtf8();
        const QByteArray source = row.sourcePath.toUtf8();
        const QByteArray ingested = row.ingestedAt.toUtf8();
        sqlite3_bind_text(insert, 1, name.constData(), -1, SQLITE_TRANSIENT);
        if (row.sourcePath.isNull())
            sqlite3_bind_null(insert, 2);
        else
            sqlite3_bind_text(insert, 2, source.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(insert, 3, ingested.constData(), -1, SQLITE_TRANSIENT);
        ok = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_close(db);
    return ok;
}

bool writePagesPdf(const QString &path, int count, bool colour)
{
    LetterPdf pdf(path, QStringLiteral("DejaVu Sans"), 36);
    QPainter &painter = pdf.painter;
    if (!painter.isActive())
        return false;
    painter.setPen(colour ? Qt::red : Qt::black);
    for (int page = 1; page <= count; ++page) {
        if (page > 1 && !pdf.writer.newPage())
            return false;
        painter.drawText(QPointF(72, 120), QStringLiteral("Page %1").arg(page));
        painter.drawText(QPointF(72, 200), QStringLiteral("Cited text of the preview test."));
    }
    return painter.end();
}

bool writeRotatedPdf(const QString &path, int rotation)
{
    const QString plain = path + QStringLiteral(".plain");
    const bool written = writePagesPdf(plain, 1) && rewritePdf(plain, path, rotation);
    QFile::remove(plain);
    return written;
}

QString marker(const QString &filename, qint64 page)
{
    return QStringLiteral("[來源: %1 p. %2]").arg(filename).arg(page);
}

bool waitFor(const QFuture<void> &future, int timeoutMs)
{
    // Woken by the future itself: polling would sleep between the load's many steps.
    if (future.isFinished())
        return true;
    QFutureWatcher<void> watcher;
    QSignalSpy finished(&watcher, &QFutureWatcher<void>::finished);
    watcher.setFuture(future);
    return future.isFinished() || finished.wait(timeoutMs) || future.isFinished();
}

} // namespace tovik::test
