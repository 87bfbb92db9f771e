#pragma once

#include "modelserver/languagemodel.h"
#include "search/historysearchreading.h"

#include <QJsonObject>
#include <QString>

#include <functional>
#include <optional>

class QObject;

namespace tovik {

// Asks the language model to read a search sentence for negation.
class HistoryAssistant final
{
public:
    // Over the HTTP model of ModelServerSettings::shared(); interface thread.
    static HistoryAssistant &shared();

    explicit HistoryAssistant(LanguageModel &model);

    // Whether the model reports itself available; answers at once.
    bool assistantAvailable() const;

    // The model's reading of the trimmed sentence, on the interface thread;
    // nothing when the model failed, answered out of shape, or ran out of time.
    void askAssistant(const QString &trimmedSentence, QObject *context,
                      std::function<void(std::optional<HistorySearchReading>)> done) const;

    // The request sent for a sentence, with the locale identifier the
    // instructions name ("en_HK", "zh_TW", ...).
    static StructuredRequest request(const QString &trimmedSentence, const QString &localeIdentifier);
    // The two-field schema with its field guides.
    static QJsonObject readingSchema();
    // A reading from the model's JSON, or nothing when a field is missing or of the wrong type.
    static std::optional<HistorySearchReading> decodeReading(const QJsonObject &object);

private:
    LanguageModel &m_model;
};

} // namespace tovik
