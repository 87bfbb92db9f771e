#pragma once

#include "history/packedtext.h"
#include "modelserver/embeddingmodel.h"

#include <QHash>
#include <QList>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

namespace tovik {

// What the ranking needs of one saved question, copied on the interface thread.
struct RankingEntry
{
    qint64 id = 0;
    QString question;
    PackedText answer; // unpacked only when the question alone is not near
};

// Which models the ranking uses and how near is near. A new revision makes the
// ranker drop its models and cached vectors (they belong to the old models).
struct SemanticSetup
{
    EmbeddingModelFactory makeModel;
    double englishThreshold = 0.142;
    double chineseThreshold = 0.23;
    quint64 revision = 0;
};

// The semantic ranking of saved questions against a sentence: mean token vectors,
// cosine distance, a threshold per language, the question before the answer, the
// 40 nearest. Not thread-safe: the history search queue owns the one instance.
class SemanticRanker final
{
public:
    static constexpr qsizetype maximumResults = 40;
    static constexpr qsizetype maximumTextLength = 180; // characters embedded of a text
    static constexpr qsizetype cacheLimit = 800;
    // The cache is also emptied before it would hold more than this many bytes of
    // vectors and keys: room for 800 vectors of 4,096 numbers, while a server
    // that answers with huge vectors cannot fill the memory with them.
    static constexpr qsizetype cacheByteLimit = 32 * 1024 * 1024;

    explicit SemanticRanker(SemanticSetup setup);
    ~SemanticRanker();

    // Takes a setup; a different revision drops models and vectors.
    void use(const SemanticSetup &setup);

    // The ids of the nearest records, nearest first. Returns nothing as soon as
    // `cancelled` is set (the caller no longer wants the result).
    QList<qint64> rank(const QList<RankingEntry> &entries, const QString &query,
                       const std::atomic_bool *cancelled = nullptr);

    // Traditional Chinese when the text has a CJK ideograph, otherwise English.
    static EmbeddingLanguage languageFor(const QString &text);
    // Trimmed and cut to its first 180 characters.
    static QString prepare(const QString &text);

    qsizetype cachedVectorCount() const { return m_vectors.size(); }

private:
    struct Vector
    {
        QList<double> values;
        double norm = 0;
    };

    EmbeddingModel *model(EmbeddingLanguage language);
    std::optional<Vector> sentenceVector(EmbeddingModel &model, EmbeddingLanguage language, const QString &text);
    double threshold(EmbeddingLanguage language) const;

    SemanticSetup m_setup;
    std::unique_ptr<EmbeddingModel> m_englishModel;
    std::unique_ptr<EmbeddingModel> m_chineseModel;
    QHash<QString, Vector> m_vectors;
    qsizetype m_cachedBytes = 0; // of the vectors and keys in m_vectors
};

} // namespace tovik
