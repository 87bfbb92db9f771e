#pragma once

#include <QString>
#include <QStringList>

// Plain-text shaping shared by ingest and ask: cleaning extracted text, paragraphs,
// sentences, and the joins that keep Chinese text free of stray spaces.
namespace ragtool::text {

// Starts a paragraph that the document marked as a list item (Markdown bullets).
inline const QString listBullet = QStringLiteral("• ");

// Han ideographs and kana: scripts written without spaces between words.
bool isCjkLetter(char32_t c);
// CJK letters plus full-width punctuation and symbols.
bool isWide(char32_t c);

// NFC, with ligatures (ﬁ) and Kangxi radicals (⼤, which some PDF fonts map their
// ideographs to) replaced by the ordinary characters, so they can be found.
QString normalized(const QString &text);

// Paragraphs of raw extracted text: control characters dropped, white space collapsed,
// the lines of one paragraph joined (no space between Chinese characters, hyphenated
// English words rejoined). A blank line separates paragraphs.
QStringList paragraphs(const QString &raw);

// Sentences of one paragraph, each trimmed.
QStringList sentences(const QString &paragraph);

// Joins two pieces of running text with a space unless both sides are Chinese.
QString join(const QString &left, const QString &right);

// Length in which a wide character counts twice, so limits suit both scripts.
int weightedLength(const QString &text);

// Pieces of at most maxWeight each, cut at a space where there is one.
QStringList wrap(const QString &text, int maxWeight);

} // namespace ragtool::text
