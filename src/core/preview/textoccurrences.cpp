#include "preview/textoccurrences.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/stsearch.h>
#include <unicode/tblcoll.h>
#include <unicode/unistr.h>

#include <memory>

namespace tovik {

namespace {

// Primary strength compares base letters only: case is a tertiary difference,
// diacritics a secondary one, and width variants are tertiary too.
icu::RuleBasedCollator *primaryCollator()
{
    thread_local std::unique_ptr<icu::RuleBasedCollator> collator = [] {
        UErrorCode status = U_ZERO_ERROR;
        std::unique_ptr<icu::Collator> made(icu::Collator::createInstance(icu::Locale::getRoot(), status));
        auto *ruleBased = dynamic_cast<icu::RuleBasedCollator *>(made.get());
        if (U_FAILURE(status) || !ruleBased)
            return std::unique_ptr<icu::RuleBasedCollator>();
        made.release();
        ruleBased->setStrength(icu::Collator::PRIMARY);
        return std::unique_ptr<icu::RuleBasedCollator>(ruleBased);
    }();
    return collator.get();
}

icu::UnicodeString alias(const QString &text, qsizetype length)
{
    return icu::UnicodeString(false, reinterpret_cast<const UChar *>(text.utf16()), int32_t(length));
}

} // namespace

QList<TextRange> occurrences(const QString &text, const QString &query, qsizetype limit)
{
    QList<TextRange> found;
    if (query.isEmpty() || limit < 1 || text.isEmpty())
        return found;
    // No length test against the query: a folded match may be shorter than it
    // ("Straße" for "STRASSE", a precomposed "é" for "e" and a combining accent).
    const qsizetype end = qMin(text.size(), limit);
    icu::RuleBasedCollator *collator = primaryCollator();
    if (!collator)
        return found;

    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString pattern = alias(query, query.size());
    const icu::UnicodeString target = alias(text, end);
    icu::StringSearch search(pattern, target, collator, nullptr, status);
    if (U_FAILURE(status))
        return found;

    qsizetype start = 0;
    while (start < end) {
        status = U_ZERO_ERROR;
        const int32_t at = search.following(int32_t(start), status);
        if (U_FAILURE(status) || at == USEARCH_DONE)
            break;
        const int32_t length = search.getMatchedLength();
        if (length <= 0)
            break;
        start = qsizetype(at) + length;
        if (start > end)
            break;
        found.append({at, length});
    }
    return found;
}

} // namespace tovik
