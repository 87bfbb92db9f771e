#pragma once

#include "modelserver/languagemodel.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QObject>

namespace tovik {

class ModelServerSettings;

// The assistant model served over the OpenAI-compatible HTTP API
// (POST {base}/chat/completions with a JSON schema as response format).
//
// Whether the model is there is learned in the background from the server's
// model list: at construction, whenever the settings change, and when
// isAvailable() is asked after the last answer has grown old. isAvailable()
// itself only reports what is known. A failed or silent server also counts as
// "not available" until the next check. Interface thread only.
class HttpLanguageModel final : public QObject, public LanguageModel
{
    Q_OBJECT
    Q_PROPERTY(bool available READ isKnownAvailable NOTIFY availableChanged)
    Q_DISABLE_COPY_MOVE(HttpLanguageModel)

public:
    struct Timing
    {
        int requestTimeoutMs = 60000; // one reading; small local models can be slow on a CPU
        int probeTimeoutMs = 5000;    // the model list
        int staleAfterMs = 30000;     // age after which isAvailable() asks again
    };

    HttpLanguageModel(ModelServerSettings &settings, Timing timing, QObject *parent = nullptr);
    explicit HttpLanguageModel(ModelServerSettings &settings, QObject *parent = nullptr);

    bool isAvailable() override;
    void respond(const StructuredRequest &request, QObject *context,
                 std::function<void(StructuredReply)> done) override;

    // What is known, without starting a check.
    bool isKnownAvailable() const { return m_available; }
    // Asks the server's model list now (replacing a check in flight).
    void refreshAvailability();

Q_SIGNALS:
    void availableChanged();
    // After every finished availability check (tests, settings page).
    void availabilityChecked();

private:
    void setAvailable(bool available);

    ModelServerSettings &m_settings;
    Timing m_timing;
    QNetworkAccessManager m_manager;
    bool m_available = false;
    bool m_checking = false;
    quint64 m_checkGeneration = 0;
    QElapsedTimer m_checkedAt;
};

} // namespace tovik
