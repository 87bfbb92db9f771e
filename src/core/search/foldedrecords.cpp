#include "search/foldedrecords.h"

#include "search/foldtable.h"
#include "search/searchtext.h"

#include <QHash>
#include <QLocale>

namespace tovik {

namespace {

// Texts are recognised by where their characters are stored; a literal's storage is
// shared by every copy and never freed, so it is not looked up.
bool isHeld(const QString &text)
{
    return text.data_ptr().isMutable();
}

bool isHeld(const PackedText &)
{
    return true;
}

const void *storageOf(const QString &text)
{
    return text.constData();
}

const void *storageOf(const PackedText &text)
{
    return text.storage();
}

qsizetype lengthOf(const QString &text)
{
    return text.size();
}

qsizetype lengthOf(const PackedText &text)
{
    return text.length();
}

} // namespace

FoldedRecords &FoldedRecords::forCurrentLocale()
{
    thread_local FoldedRecords cache;
    const QLocale::Language language = QLocale().language();
    const bool turkic = language == QLocale::Turkish || language == QLocale::Azerbaijani;
    if (turkic != cache.m_turkic) {
        cache.m_records.clear();
        cache.m_entries.clear();
        cache.m_turkic = turkic;
    }
    return cache;
}

bool FoldedRecords::Folded::contains(QStringView source, QStringView foldedNeedle) const
{
    return lowersAsciiOnly ? SearchText::containsFoldedInAsciiCased(source, foldedNeedle)
                           : SearchText::containsFolded(text, foldedNeedle);
}

bool FoldedRecords::Folded::contains(PackedTextReading &source, const FoldedNeedle &needle) const
{
    if (!lowersAsciiOnly)
        return SearchText::containsFolded(text, needle.text);
    if (source.text().form() == PackedText::Form::utf16)
        return SearchText::containsFoldedInAsciiCased(source.text().utf16(), needle.text);
    return SearchText::containsFoldedInAsciiCased(source.utf8(), needle.utf8);
}

QString FoldedRecords::Folded::textOf(const QString &source) const
{
    return lowersAsciiOnly ? SearchText::lowerAsciiCapitals(source) : text;
}

FoldedRecords::Folded FoldedRecords::foldText(const QString &text, bool turkic)
{
    Folded folded;
    if (FoldTable::foldsByLoweringAscii(text, FoldTable::caseAndDiacritics, turkic)) {
        folded.positionsKept = true;
        folded.lowersAsciiOnly = true;
        return folded;
    }
    folded.positionsKept = FoldTable::foldOneToOne(text, FoldTable::caseAndDiacritics, turkic, folded.text);
    if (!folded.positionsKept)
        folded.text = FoldTable::fold(text, FoldTable::caseAndDiacritics, turkic);
    return folded;
}

FoldedRecords::Folded FoldedRecords::foldText(const PackedText &text, bool turkic)
{
    return foldText(text.toString(), turkic);
}

FoldedRecords::Entry FoldedRecords::foldRecord(const QuestionRecord &record, bool turkic)
{
    return {foldText(record.question, turkic), foldText(record.answer, turkic)};
}

void FoldedRecords::clear()
{
    m_records.clear();
    m_entries = {};
}

void FoldedRecords::use(const QList<QuestionRecord> &records)
{
    if (!records.isEmpty() && records.constData() == m_records.constData() && records.size() == m_records.size())
        return;

    // Texts of the previous list, by their storage; the previous list keeps them alive meanwhile.
    struct Known
    {
        const Folded *folded = nullptr;
        qsizetype sourceSize = 0;
    };
    QHash<const void *, Known> known;
    for (qsizetype i = 0; i < m_records.size(); ++i) {
        const QuestionRecord &old = m_records.at(i);
        known.insert(old.question.constData(), {&m_entries[std::size_t(i)].question, old.question.size()});
        known.insert(old.answer.storage(), {&m_entries[std::size_t(i)].answer, old.answer.length()});
    }
    auto reuseOrFold = [&](const auto &text) {
        if (!text.isEmpty() && isHeld(text)) {
            const Known found = known.value(storageOf(text));
            if (found.folded && found.sourceSize == lengthOf(text))
                return *found.folded;
        }
        return foldText(text, m_turkic);
    };
    std::vector<Entry> entries;
    entries.reserve(std::size_t(records.size()));
    for (const QuestionRecord &record : records)
        entries.push_back({reuseOrFold(record.question), reuseOrFold(record.answer)});
    m_entries = std::move(entries);
    m_records = records;
}

} // namespace tovik
