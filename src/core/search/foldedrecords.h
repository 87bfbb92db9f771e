#pragma once

#include "history/packedtextreading.h"
#include "history/questionrecord.h"
#include "search/foldedneedle.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <vector>

namespace tovik {

// The case- and diacritic-folded questions and answers of the saved records,
// kept between keystrokes so that the filter folds the history once, not on every
// redraw.
//
// The records are recognised by their list's storage: the cache keeps a
// reference to that list, so while it does, the storage cannot be freed and
// reused, and a shared Qt list is never changed in place (a change detaches it to
// new storage). When another list comes, texts already folded are taken over by
// the same rule (their string storage) and only new texts are folded.
// One instance per thread, for the current locale.
class FoldedRecords final
{
public:
    // The folded form of a source text. A text that folding would only change by
    // lowering ASCII capitals (most English and Chinese texts) is not copied: the
    // search compares its source as it goes, which keeps the history once in
    // memory rather than twice.
    struct Folded
    {
        QString text;                 // SearchText::foldCaseAndDiacritics(source), unless lowersAsciiOnly
        bool positionsKept = false;   // folded unit i comes from source unit i
        bool lowersAsciiOnly = false; // `text` is left empty

        // Whether the folded source holds an already folded needle.
        bool contains(QStringView source, QStringView foldedNeedle) const;
        bool contains(PackedTextReading &source, const FoldedNeedle &needle) const;
        // The folded source (made anew when it is not kept).
        QString textOf(const QString &source) const;
    };
    struct Entry
    {
        Folded question;
        Folded answer;
    };

    // This thread's instance, emptied first if the current locale folds differently.
    static FoldedRecords &forCurrentLocale();

    // Makes entry(i) the folded texts of records[i].
    void use(const QList<QuestionRecord> &records);
    // Lets go of the records and their folded texts.
    void clear();
    const Entry &entry(qsizetype index) const { return m_entries[std::size_t(index)]; }
    bool isTurkic() const { return m_turkic; }

    // The folded texts of one record, without the cache.
    static Entry foldRecord(const QuestionRecord &record, bool turkic);
    static Folded foldText(const QString &text, bool turkic);
    static Folded foldText(const PackedText &text, bool turkic);

private:
    QList<QuestionRecord> m_records; // keeps the storage that identifies them alive
    std::vector<Entry> m_entries;
    bool m_turkic = false;
};

} // namespace tovik
