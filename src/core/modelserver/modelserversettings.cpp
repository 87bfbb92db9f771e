#include "modelserver/modelserversettings.h"

#include "modelserver/modelservercheck.h"
#include "modelserver/modelserverprotocol.h"
#include "system/settingsstore.h"

#include <QCoreApplication>

#include <cmath>

namespace tovik {

namespace {

const QString urlKey = QStringLiteral("modelServerURL");
const QString englishModelKey = QStringLiteral("englishEmbeddingModel");
const QString chineseModelKey = QStringLiteral("chineseEmbeddingModel");
const QString assistantModelKey = QStringLiteral("assistantModel");
const QString englishThresholdKey = QStringLiteral("englishDistanceThreshold");
const QString chineseThresholdKey = QStringLiteral("chineseDistanceThreshold");

bool isUsableThreshold(double value)
{
    return std::isfinite(value) && value > 0 && value <= 2;
}

double storedThreshold(QSettings &settings, const QString &key, double fallback)
{
    bool ok = false;
    const double value = settings.value(key).toDouble(&ok);
    return ok && isUsableThreshold(value) ? value : fallback;
}

} // namespace

ModelServerSettings &ModelServerSettings::shared()
{
    // Owned by the application object so that it goes before the event loop machinery does.
    static ModelServerSettings *instance = new ModelServerSettings(QCoreApplication::instance());
    return *instance;
}

ModelServerSettings::ModelServerSettings(QObject *parent)
    : QObject(parent)
{
    const auto settings = makeSettingsStore();
    m_modelServerURL = settings->value(urlKey, QString::fromLatin1(defaultServerURL)).toString();
    m_englishEmbeddingModel = settings->value(englishModelKey).toString();
    m_chineseEmbeddingModel = settings->value(chineseModelKey).toString();
    m_assistantModel = settings->value(assistantModelKey).toString();
    m_englishDistanceThreshold = storedThreshold(*settings, englishThresholdKey, defaultEnglishThreshold);
    m_chineseDistanceThreshold = storedThreshold(*settings, chineseThresholdKey, defaultChineseThreshold);
}

ModelServerSettings::~ModelServerSettings() = default;

void ModelServerSettings::store(const QString &key, const QVariant &value)
{
    makeSettingsStore()->setValue(key, value);
}

void ModelServerSettings::changed()
{
    // A check of the old values no longer says anything about the new ones.
    if (m_check) {
        delete m_check;
        m_check = nullptr;
        if (m_isChecking) {
            m_isChecking = false;
            Q_EMIT isCheckingChanged();
        }
    }
    Q_EMIT settingsChanged();
}

void ModelServerSettings::setModelServerURL(const QString &url)
{
    if (url == m_modelServerURL)
        return;
    m_modelServerURL = url;
    store(urlKey, url);
    Q_EMIT modelServerURLChanged();
    changed();
}

void ModelServerSettings::setEnglishEmbeddingModel(const QString &model)
{
    if (model == m_englishEmbeddingModel)
        return;
    m_englishEmbeddingModel = model;
    store(englishModelKey, model);
    Q_EMIT englishEmbeddingModelChanged();
    changed();
}

void ModelServerSettings::setChineseEmbeddingModel(const QString &model)
{
    if (model == m_chineseEmbeddingModel)
        return;
    m_chineseEmbeddingModel = model;
    store(chineseModelKey, model);
    Q_EMIT chineseEmbeddingModelChanged();
    changed();
}

void ModelServerSettings::setAssistantModel(const QString &model)
{
    if (model == m_assistantModel)
        return;
    m_assistantModel = model;
    store(assistantModelKey, model);
    Q_EMIT assistantModelChanged();
    changed();
}

void ModelServerSettings::setEnglishDistanceThreshold(double threshold)
{
    if (!isUsableThreshold(threshold) || threshold == m_englishDistanceThreshold)
        return;
    m_englishDistanceThreshold = threshold;
    store(englishThresholdKey, threshold);
    Q_EMIT englishDistanceThresholdChanged();
    changed();
}

void ModelServerSettings::setChineseDistanceThreshold(double threshold)
{
    if (!isUsableThreshold(threshold) || threshold == m_chineseDistanceThreshold)
        return;
    m_chineseDistanceThreshold = threshold;
    store(chineseThresholdKey, threshold);
    Q_EMIT chineseDistanceThresholdChanged();
    changed();
}

std::optional<QUrl> ModelServerSettings::baseURL() const
{
    return ModelServerProtocol::baseURL(m_modelServerURL);
}

void ModelServerSettings::check()
{
    delete m_check;
    m_check = new ModelServerCheck({m_modelServerURL, m_englishEmbeddingModel, m_chineseEmbeddingModel, m_assistantModel},
                                   m_checkTimeoutMs, this);
    connect(m_check, &ModelServerCheck::finished, this, [this](const QString &report) { finishCheck(report); });
    if (!m_isChecking) {
        m_isChecking = true;
        Q_EMIT isCheckingChanged();
    }
    m_check->start();
}

void ModelServerSettings::finishCheck(const QString &report)
{
    if (m_check) {
        m_check->deleteLater();
        m_check = nullptr;
    }
    if (m_checkReport != report) {
        m_checkReport = report;
        Q_EMIT checkReportChanged();
    }
    if (m_isChecking) {
        m_isChecking = false;
        Q_EMIT isCheckingChanged();
    }
}

} // namespace tovik
