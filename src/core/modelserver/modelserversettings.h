#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

#include <optional>

namespace tovik {

class ModelServerCheck;

// Where meaning-aware search gets its models: a local server speaking the
// OpenAI-compatible API (Ollama, llama.cpp's server, LM Studio). Every value is
// read from the settings store at construction and written back on every change.
// An empty model name turns that part off.
class ModelServerSettings final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString modelServerURL READ modelServerURL WRITE setModelServerURL NOTIFY modelServerURLChanged)
    Q_PROPERTY(QString englishEmbeddingModel READ englishEmbeddingModel WRITE setEnglishEmbeddingModel NOTIFY englishEmbeddingModelChanged)
    Q_PROPERTY(QString chineseEmbeddingModel READ chineseEmbeddingModel WRITE setChineseEmbeddingModel NOTIFY chineseEmbeddingModelChanged)
    Q_PROPERTY(QString assistantModel READ assistantModel WRITE setAssistantModel NOTIFY assistantModelChanged)
    Q_PROPERTY(double englishDistanceThreshold READ englishDistanceThreshold WRITE setEnglishDistanceThreshold NOTIFY englishDistanceThresholdChanged)
    Q_PROPERTY(double chineseDistanceThreshold READ chineseDistanceThreshold WRITE setChineseDistanceThreshold NOTIFY chineseDistanceThresholdChanged)
    Q_PROPERTY(bool isChecking READ isChecking NOTIFY isCheckingChanged)
    Q_PROPERTY(QString checkReport READ checkReport NOTIFY checkReportChanged)
    Q_DISABLE_COPY_MOVE(ModelServerSettings)

public:
    static constexpr const char *defaultServerURL = "http://127.0.0.1:11434/v1";
    static constexpr double defaultEnglishThreshold = 0.142;
    static constexpr double defaultChineseThreshold = 0.23;

    // The process-wide settings, created on first use on the interface thread.
    static ModelServerSettings &shared();

    explicit ModelServerSettings(QObject *parent = nullptr);
    ~ModelServerSettings() override;

    QString modelServerURL() const { return m_modelServerURL; }
    void setModelServerURL(const QString &url);
    QString englishEmbeddingModel() const { return m_englishEmbeddingModel; }
    void setEnglishEmbeddingModel(const QString &model);
    QString chineseEmbeddingModel() const { return m_chineseEmbeddingModel; }
    void setChineseEmbeddingModel(const QString &model);
    QString assistantModel() const { return m_assistantModel; }
    void setAssistantModel(const QString &model);
    // Cosine distances at or below which a saved text counts as near; values
    // outside (0, 2] are refused.
    double englishDistanceThreshold() const { return m_englishDistanceThreshold; }
    void setEnglishDistanceThreshold(double threshold);
    double chineseDistanceThreshold() const { return m_chineseDistanceThreshold; }
    void setChineseDistanceThreshold(double threshold);

    // The typed address as a base URL, or nothing when it is not an http(s) address.
    std::optional<QUrl> baseURL() const;

    // Asks the server what it has and writes the answer in words to checkReport
    // (for the settings page). A newer check or a settings change supersedes it.
    void check();
    bool isChecking() const { return m_isChecking; }
    QString checkReport() const { return m_checkReport; }
    // Time-out of each request of a check.
    void setCheckTimeout(int milliseconds) { m_checkTimeoutMs = milliseconds; }

Q_SIGNALS:
    void modelServerURLChanged();
    void englishEmbeddingModelChanged();
    void chineseEmbeddingModelChanged();
    void assistantModelChanged();
    void englishDistanceThresholdChanged();
    void chineseDistanceThresholdChanged();
    // After any of the six values above changed.
    void settingsChanged();
    void isCheckingChanged();
    void checkReportChanged();

private:
    void store(const QString &key, const QVariant &value);
    void changed();
    void finishCheck(const QString &report);

    QString m_modelServerURL;
    QString m_englishEmbeddingModel;
    QString m_chineseEmbeddingModel;
    QString m_assistantModel;
    double m_englishDistanceThreshold = defaultEnglishThreshold;
    double m_chineseDistanceThreshold = defaultChineseThreshold;
    bool m_isChecking = false;
    QString m_checkReport;
    int m_checkTimeoutMs = 5000;
    ModelServerCheck *m_check = nullptr;
};

} // namespace tovik
