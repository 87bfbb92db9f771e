#include "preview/corpuslocation.h"

#include "system/filekind.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <memory>

namespace tovik {

namespace {

constexpr int maxProjectRootLevels = 8;

QString expandLeadingTilde(const QString &path)
{
    if (path == QLatin1String("~"))
        return QDir::homePath();
    if (path.startsWith(QLatin1String("~/")))
        return QDir::homePath() + path.mid(1);
    return path;
}

QString parentFolder(const QString &folder)
{
    const qsizetype slash = folder.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : folder.left(slash);
}

// The nearest folder holding rag.toml, looking at the starting folder and at most
// seven above it. Kept private here so the corpus lookup does not depend on the
// executable resolution; both walk the same way.
std::optional<QString> findProjectRoot(const QString &path)
{
    QString folder = QDir::cleanPath(QDir::current().absoluteFilePath(expandLeadingTilde(path)));
    if (!QFileInfo(folder).isDir())
        folder = parentFolder(folder);
    for (int level = 0; level < maxProjectRootLevels; ++level) {
        if (QFileInfo::exists(QDir(folder).filePath(QStringLiteral("rag.toml"))))
            return folder;
        if (folder == QLatin1String("/"))
            break;
        folder = parentFolder(folder);
    }
    return std::nullopt;
}

const icu::RegexPattern *dataDirPattern()
{
    static const std::unique_ptr<icu::RegexPattern> pattern = [] {
        UErrorCode status = U_ZERO_ERROR;
        UParseError parseError{};
        std::unique_ptr<icu::RegexPattern> compiled(icu::RegexPattern::compile(
            icu::UnicodeString(u"^[ \\t]*data_dir[ \\t]*=[ \\t]*[\"']([^\"']+)[\"']"), UREGEX_MULTILINE,
            parseError, status));
        if (U_FAILURE(status))
            compiled.reset();
        return compiled;
    }();
    return pattern.get();
}

// The first data_dir value in the text of rag.toml; TOML itself is not interpreted.
std::optional<QString> dataDirValue(const QString &toml)
{
    const icu::RegexPattern *pattern = dataDirPattern();
    if (!pattern)
        return std::nullopt;
    const icu::UnicodeString text(false, reinterpret_cast<const UChar *>(toml.utf16()),
                                  static_cast<int32_t>(toml.size()));
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(text, status));
    if (U_FAILURE(status) || !matcher || !matcher->find(status) || U_FAILURE(status))
        return std::nullopt;
    const int32_t start = matcher->start(1, status);
    const int32_t end = matcher->end(1, status);
    if (U_FAILURE(status) || start < 0 || end < start || end > toml.size())
        return std::nullopt;
    return toml.mid(start, end - start);
}

std::optional<QString> readUtf8(const QString &path)
{
    // Opening a named pipe waits for a writer, possibly for ever.
    if (fileKind(path) != FileKind::regular)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

QStringList corpusCandidates(const QString &directory)
{
    QStringList candidates;
    if (const std::optional<QString> root = findProjectRoot(directory))
        candidates.append(*root);
    const QString fallback = QDir::homePath() + QStringLiteral("/.tovikrag");
    if (QFileInfo::exists(fallback + QStringLiteral("/rag.toml")) && !candidates.contains(fallback))
        candidates.append(fallback);
    return candidates;
}

QString dataDirectory(const QString &candidate)
{
    QString value = QStringLiteral("data");
    if (const std::optional<QString> toml = readUtf8(QDir(candidate).filePath(QStringLiteral("rag.toml")))) {
        if (const std::optional<QString> found = dataDirValue(*toml))
            value = *found;
    }
    value = expandLeadingTilde(value);
    if (QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::cleanPath(candidate + QLatin1Char('/') + value);
}

std::optional<QString> corpusDatabasePath(const QString &workingDirectory)
{
    const QString directory = expandLeadingTilde(workingDirectory);
    for (const QString &candidate : corpusCandidates(directory)) {
        const QString path = QDir(dataDirectory(candidate)).filePath(QStringLiteral("corpus.sqlite"));
        if (QFileInfo::exists(path))
            return path;
    }
    return std::nullopt;
}

} // namespace tovik
