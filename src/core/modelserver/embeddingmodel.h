#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace tovik {

// The two languages that saved questions are embedded in.
enum class EmbeddingLanguage { english, traditionalChinese };

// "en" or "zh-Hant": the language code that keys cached vectors.
QString embeddingLanguageCode(EmbeddingLanguage language);

// What a model gives for one text: vectors of `dimension` numbers, one per
// token for a contextual model, or a single already pooled one for a server that
// pools (the mean of one vector is that vector).
struct EmbeddingResult
{
    int dimension = 0;
    QList<QList<double>> tokenVectors;
};

// A sentence-embedding model for one language.
//
// Thread rules: an instance is created, used and destroyed on the history search
// queue (one worker thread), never on the interface thread; its calls may block
// for as long as the model takes, bounded by the implementation's time-outs.
class EmbeddingModel
{
public:
    virtual ~EmbeddingModel() = default;

    // Whether the model can embed at all (its files are present, its server has it).
    virtual bool hasAvailableAssets() = 0;
    // The embedding of a text, or nothing when the model failed for it.
    virtual std::optional<EmbeddingResult> embed(const QString &text) = 0;
};

// Creates the model for a language, or nothing when there is none. Called on the
// history search queue.
using EmbeddingModelFactory = std::function<std::unique_ptr<EmbeddingModel>(EmbeddingLanguage)>;

} // namespace tovik
