#include "search/semanticranker.h"

#include "search/searchtext.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tovik {

namespace {

std::optional<double> cosineDistance(const QList<double> &a, double normA, const QList<double> &b, double normB)
{
    if (a.isEmpty() || a.size() != b.size())
        return std::nullopt;
    const double norms = normA * normB;
    if (!(norms > 0))
        return std::nullopt;
    double dot = 0;
    const double *x = a.constData();
    const double *y = b.constData();
    for (qsizetype i = 0; i < a.size(); ++i)
        dot += x[i] * y[i];
    return 1 - dot / norms;
}

bool isCJKIdeograph(char32_t c)
{
    return (c >= 0x3400 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF);
}

} // namespace

SemanticRanker::SemanticRanker(SemanticSetup setup)
    : m_setup(std::move(setup))
{
}

SemanticRanker::~SemanticRanker() = default;

void SemanticRanker::use(const SemanticSetup &setup)
{
    if (setup.revision != m_setup.revision) {
        m_englishModel.reset();
        m_chineseModel.reset();
        m_vectors.clear();
        m_cachedBytes = 0;
    }
    m_setup = setup;
}

EmbeddingLanguage SemanticRanker::languageFor(const QString &text)
{
    // Only the BMP ranges count, so UTF-16 units are enough.
    for (QChar unit : text) {
        if (isCJKIdeograph(unit.unicode()))
            return EmbeddingLanguage::traditionalChinese;
    }
    return EmbeddingLanguage::english;
}

QString SemanticRanker::prepare(const QString &text)
{
    return SearchText::leadingCharacters(SearchText::trimmed(text), maximumTextLength);
}

double SemanticRanker::threshold(EmbeddingLanguage language) const
{
    return language == EmbeddingLanguage::english ? m_setup.englishThreshold : m_setup.chineseThreshold;
}

EmbeddingModel *SemanticRanker::model(EmbeddingLanguage language)
{
    std::unique_ptr<EmbeddingModel> &slot = language == EmbeddingLanguage::english ? m_englishModel : m_chineseModel;
    // A failed creation is tried again on the next search.
    if (!slot && m_setup.makeModel)
        slot = m_setup.makeModel(language);
    return slot.get();
}

std::optional<SemanticRanker::Vector> SemanticRanker::sentenceVector(EmbeddingModel &model, EmbeddingLanguage language,
                                                                     const QString &text)
{
    const QString prepared = prepare(text);
    if (SearchText::characterCount(prepared) < 2)
        return std::nullopt;
    const QString key = embeddingLanguageCode(language) + QChar(0x001F) + prepared;
    if (const auto cached = m_vectors.constFind(key); cached != m_vectors.cend())
        return *cached;

    const auto result = model.embed(prepared);
    if (!result)
        return std::nullopt;
    Vector mean;
    mean.values = QList<double>(qMax(0, result->dimension), 0.0);
    int count = 0;
    for (const QList<double> &token : result->tokenVectors) {
        const qsizetype length = qMin(token.size(), mean.values.size());
        for (qsizetype i = 0; i < length; ++i)
            mean.values[i] += token.at(i);
        ++count;
    }
    if (count == 0)
        return std::nullopt;
    double squares = 0;
    for (double &value : mean.values) {
        value /= count;
        squares += value * value;
    }
    mean.norm = std::sqrt(squares);

    const qsizetype bytes = mean.values.size() * qsizetype(sizeof(double)) + key.size() * qsizetype(sizeof(QChar));
    // A vector larger than the whole cache is used once and not kept.
    if (bytes > cacheByteLimit)
        return mean;
    if (m_vectors.size() > cacheLimit || m_cachedBytes + bytes > cacheByteLimit) {
        m_vectors.clear();
        m_cachedBytes = 0;
    }
    m_vectors.insert(key, mean);
    m_cachedBytes += bytes;
    return mean;
}

QList<qint64> SemanticRanker::rank(const QList<RankingEntry> &entries, const QString &query,
                                   const std::atomic_bool *cancelled)
{
    const QString prepared = prepare(query);
    if (SearchText::characterCount(prepared) < 2 || !SearchText::containsLetter(prepared))
        return {};
    const EmbeddingLanguage language = languageFor(prepared);
    EmbeddingModel *embedder = model(language);
    if (!embedder || !embedder->hasAvailableAssets())
        return {};
    const double limit = threshold(language);
    const auto queryVector = sentenceVector(*embedder, language, prepared);
    if (!queryVector)
        return {};

    struct Near
    {
        qint64 id;
        double distance;
    };
    std::vector<Near> near;
    for (const RankingEntry &entry : entries) {
        if (cancelled && cancelled->load(std::memory_order_relaxed))
            return {};
        auto distanceTo = [&](const QString &text) -> std::optional<double> {
            const auto vector = sentenceVector(*embedder, language, text);
            if (!vector)
                return std::nullopt;
            return cosineDistance(vector->values, vector->norm, queryVector->values, queryVector->norm);
        };
        std::optional<double> distance = distanceTo(entry.question);
        // A near question is enough; the answer is embedded only when it is not.
        if (!distance || *distance > limit) {
            const std::optional<double> answerDistance = distanceTo(entry.answer.toString());
            if (distance && answerDistance)
                distance = std::min(*distance, *answerDistance);
            else if (answerDistance)
                distance = answerDistance;
        }
        if (distance && *distance <= limit)
            near.push_back({entry.id, *distance});
    }

    std::sort(near.begin(), near.end(), [](const Near &a, const Near &b) {
        if (a.distance != b.distance)
            return a.distance < b.distance;
        return a.id > b.id; // the newer record first
    });
    QList<qint64> ids;
    for (std::size_t i = 0; i < near.size() && ids.size() < maximumResults; ++i)
        ids.append(near[i].id);
    return ids;
}

} // namespace tovik
