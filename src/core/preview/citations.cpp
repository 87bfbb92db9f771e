#include "preview/citations.h"

#include <QHash>
#include <QSet>

#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace tovik {

namespace {

// The marker format rag writes. Compiled once; a pattern may be shared by threads,
// each call makes its own matcher.
const icu::RegexPattern *markerPattern()
{
    static const std::unique_ptr<icu::RegexPattern> pattern = [] {
        UErrorCode status = U_ZERO_ERROR;
        UParseError parseError{};
        std::unique_ptr<icu::RegexPattern> compiled(icu::RegexPattern::compile(
            icu::UnicodeString(u"\\[來源\\s*[:：]\\s*([^\\n\\]]+?)\\s+p\\.\\s*(\\d+)[^\\n\\]]*\\]"),
            UREGEX_CASE_INSENSITIVE, parseError, status));
        if (U_FAILURE(status))
            compiled.reset();
        return compiled;
    }();
    return pattern.get();
}

// ASCII digits only: the pattern's \d also takes full-width and other scripts' digits,
// which are not page numbers rag writes. Nothing that overflows 64 bits.
std::optional<qint64> parsePage(QStringView digits)
{
    if (digits.isEmpty())
        return std::nullopt;
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    qint64 value = 0;
    for (QChar c : digits) {
        const char16_t u = c.unicode();
        if (u < u'0' || u > u'9')
            return std::nullopt;
        const int digit = u - u'0';
        if (value > (max - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

struct CitedFile
{
    QString filename;
    QList<qint64> pages; // in the order first cited
    QSet<qint64> seen;   // the same pages, so thousands of them are not searched per marker
};

} // namespace

void forEachCitationMarker(QStringView text, qsizetype offset, const std::function<bool(const CitationMarker &)> &visit)
{
    const icu::RegexPattern *pattern = markerPattern();
    if (!pattern)
        return;

    // Read-only alias: the matcher walks the text's own UTF-16 buffer.
    const icu::UnicodeString unicode(false, reinterpret_cast<const UChar *>(text.utf16()),
                                     static_cast<int32_t>(text.size()));
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<icu::RegexMatcher> matcher(pattern->matcher(unicode, status));
    if (U_FAILURE(status) || !matcher)
        return;

    const auto groupRange = [&](int group) -> std::optional<TextRange> {
        UErrorCode groupStatus = U_ZERO_ERROR;
        const int32_t start = matcher->start(group, groupStatus);
        const int32_t end = matcher->end(group, groupStatus);
        if (U_FAILURE(groupStatus) || start < 0 || end < start || end > text.size())
            return std::nullopt;
        return TextRange{start, end - start};
    };

    // Every marker starts with "[": the matcher is tried only where one stands, found by
    // a vectorized search, instead of walking every character of a long answer. Matches
    // are still leftmost and do not overlap, as find() would give them.
    qsizetype at = 0;
    while ((at = text.indexOf(u'[', at)) >= 0) {
        if (!matcher->lookingAt(int64_t(at), status) || U_FAILURE(status)) {
            status = U_ZERO_ERROR;
            ++at;
            continue;
        }
        at = std::max<qsizetype>(at + 1, matcher->end(status));
        if (matcher->groupCount() != 2)
            continue;
        const std::optional<TextRange> whole = groupRange(0);
        const std::optional<TextRange> nameRange = groupRange(1);
        const std::optional<TextRange> pageRange = groupRange(2);
        if (!whole || !nameRange || !pageRange)
            continue;
        const std::optional<qint64> page = parsePage(text.sliced(pageRange->location, pageRange->length));
        if (!page || *page < 1)
            continue;
        const QStringView name = text.sliced(nameRange->location, nameRange->length).trimmed();
        if (name.isEmpty() || name.contains(QLatin1Char('[')) || name.contains(QLatin1Char('\n')))
            continue;
        if (!visit({{offset + whole->location, whole->length}, name.toString(), *page}))
            return;
    }
}

QList<CitationMarker> citationMarkers(QStringView text, qsizetype offset)
{
    QList<CitationMarker> markers;
    forEachCitationMarker(text, offset, [&markers](const CitationMarker &marker) {
        markers.append(marker);
        return true;
    });
    return markers;
}

QList<CitedPage> citedPages(QStringView answer)
{
    std::vector<CitedFile> files;
    QHash<QString, qsizetype> fileIndex;
    forEachCitationMarker(answer, 0, [&](const CitationMarker &marker) {
        auto it = fileIndex.constFind(marker.filename);
        if (it == fileIndex.cend()) {
            it = fileIndex.insert(marker.filename, qsizetype(files.size()));
            files.push_back({marker.filename, {}, {}});
        }
        CitedFile &file = files[size_t(it.value())];
        if (!file.seen.contains(marker.page)) {
            file.seen.insert(marker.page);
            file.pages.append(marker.page);
        }
        return true;
    });

    QList<CitedPage> result;
    for (const CitedFile &file : files) {
        for (qint64 page : file.pages)
            result.append({file.filename, page});
    }
    return result;
}

} // namespace tovik
