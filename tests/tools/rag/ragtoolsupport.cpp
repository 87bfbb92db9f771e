#include "ragtoolsupport.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <sqlite3.h>
#include <zip.h>

namespace ragtest {

QString ragExecutable()
{
    return QStringLiteral(RAG_EXECUTABLE);
}

RagRun runRag(const QStringList &args, const QString &workingDirectory, int timeoutMs)
{
    QProcess process;
    process.setWorkingDirectory(workingDirectory);
    process.start(ragExecutable(), args);
    RagRun run;
    if (!process.waitForStarted() || !process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        run.crashed = true;
        return run;
    }
    run.crashed = process.exitStatus() == QProcess::CrashExit;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    run.err = QString::fromUtf8(process.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return run;
}

bool isLogLine(const QString &line)
{
    for (const char *prefix : {"INFO ", "WARNING ", "ERROR ", "DEBUG ", "CRITICAL "}) {
        if (line.startsWith(QLatin1String(prefix)))
            return true;
    }
    return false;
}

QList<Citation> citations(const QString &text)
{
    static const QRegularExpression marker(
        QStringLiteral("\\[來源\\s*[:：]\\s*([^\\n\\]]+?)\\s+p\\.\\s*(\\d+)[^\\n\\]]*\\]"),
        QRegularExpression::CaseInsensitiveOption);
    QList<Citation> found;
    QRegularExpressionMatchIterator it = marker.globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        bool ok = false;
        const qint64 page = match.captured(2).toLongLong(&ok);
        if (ok && page >= 1)
            found.append(Citation{match.captured(1).trimmed(), page});
    }
    return found;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

namespace {

QString escaped(const QString &text)
{
    return text.toHtmlEscaped();
}

bool writeZip(const QString &path, const QList<std::pair<QString, QByteArray>> &entries)
{
    int error = 0;
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive)
        return false;
    // libzip reads the buffers when the archive is closed, so they must live until then.
    QList<QByteArray> keep;
    for (const auto &[name, data] : entries) {
        keep.append(data);
        zip_source_t *source = zip_source_buffer(archive, keep.last().constData(), zip_uint64_t(keep.last().size()), 0);
        if (!source || zip_file_add(archive, name.toUtf8().constData(), source, ZIP_FL_OVERWRITE) < 0) {
            zip_source_free(source);
            zip_discard(archive);
            return false;
        }
    }
    return zip_close(archive) == 0;
}

} // namespace

bool makeDocx(const QString &path, const QStringList &paragraphs)
{
    QString body;
    for (const QString &paragraph : paragraphs)
        body += QStringLiteral("<w:p><w:r><w:t xml:space=\"preserve\">%1</w:t></w:r></w:p>").arg(escaped(paragraph));
    const QString document = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
        "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\">"
        "<w:body>%1</w:body></w:document>").arg(body);
    return writeZip(path, {{QStringLiteral("[Content_Types].xml"), QByteArray("<Types/>")},
                           {QStringLiteral("word/document.xml"), document.toUtf8()}});
}

bool makePptx(const QString &path, const QStringList &slides)
{
    QList<std::pair<QString, QByteArray>> entries;
    QString ids;
    QString relations;
    // Slide files are numbered against their order, so only the presentation's slide
    // list gives the right order.
    for (qsizetype i = 0; i < slides.size(); ++i) {
        const qsizetype fileNumber = slides.size() - i;
        const QString slide = QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
            "<p:sld xmlns:a=\"http://schemas.openxmlformats.org/drawingml/2006/main\" "
            "xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\"><p:cSld><p:spTree><p:sp>"
            "<p:txBody><a:p><a:r><a:t>%1</a:t></a:r></a:p></p:txBody></p:sp></p:spTree></p:cSld></p:sld>")
                                  .arg(escaped(slides[i]));
        entries.append({QStringLiteral("ppt/slides/slide%1.xml").arg(fileNumber), slide.toUtf8()});
        ids += QStringLiteral("<p:sldId id=\"%1\" r:id=\"rId%2\"/>").arg(256 + i).arg(i + 10);
        relations += QStringLiteral("<Relationship Id=\"rId%1\" Target=\"slides/slide%2.xml\"/>").arg(i + 10).arg(fileNumber);
    }
    const QString presentation = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<p:presentation xmlns:p=\"http://schemas.openxmlformats.org/presentationml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
        "<p:sldIdLst>%1</p:sldIdLst></p:presentation>").arg(ids);
    const QString rels = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
        "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">%1</Relationships>")
                             .arg(relations);
    entries.append({QStringLiteral("ppt/presentation.xml"), presentation.toUtf8()});
    entries.append({QStringLiteral("ppt/_rels/presentation.xml.rels"), rels.toUtf8()});
    return writeZip(path, entries);
}

namespace {

sqlite3 *openLikeTheApp(const QString &corpusPath)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(corpusPath).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_exec(db, "PRAGMA query_only = ON", nullptr, nullptr, nullptr);
    return db;
}

} // namespace

QStringList sourcePaths(const QString &corpusPath, const QString &filename)
{
    QStringList paths;
    sqlite3 *db = openLikeTheApp(corpusPath);
    if (!db)
        return {QStringLiteral("<open failed>")};
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT source_path FROM documents WHERE filename = ? ORDER BY ingested_at DESC", -1,
                           &statement, nullptr)
        == SQLITE_OK) {
        const QByteArray name = filename.toUtf8();
        sqlite3_bind_text(statement, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        int rc = 0;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
            paths.append(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0))));
        if (rc != SQLITE_DONE)
            paths.append(QStringLiteral("<step failed: %1>").arg(QString::fromUtf8(sqlite3_errmsg(db))));
    } else {
        paths.append(QStringLiteral("<prepare failed: %1>").arg(QString::fromUtf8(sqlite3_errmsg(db))));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return paths;
}

qint64 rowCount(const QString &corpusPath, const QString &table)
{
    sqlite3 *db = openLikeTheApp(corpusPath);
    if (!db)
        return -1;
    sqlite3_stmt *statement = nullptr;
    qint64 count = -1;
    const QByteArray sql = QStringLiteral("SELECT count(*) FROM %1").arg(table).toUtf8();
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &statement, nullptr) == SQLITE_OK
        && sqlite3_step(statement) == SQLITE_ROW)
        count = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return count;
}

QString integrityCheck(const QString &corpusPath)
{
    // The full-text index check is a write command, so this connection may write.
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(corpusPath).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return QStringLiteral("<open failed>");
    }
    sqlite3_stmt *statement = nullptr;
    QString result = QStringLiteral("<failed>");
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK
        && sqlite3_step(statement) == SQLITE_ROW)
        result = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    if (result == QLatin1String("ok")
        && sqlite3_exec(db, "INSERT INTO passage_index(passage_index) VALUES('integrity-check')", nullptr, nullptr,
                        nullptr)
            != SQLITE_OK)
        result = QStringLiteral("full-text index: ") + QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_close(db);
    return result;
}

} // namespace ragtest
