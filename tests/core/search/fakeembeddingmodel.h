#pragma once

#include "modelserver/embeddingmodel.h"

#include <QHash>
#include <QMutex>
#include <QStringList>
#include <QThread>

#include <cmath>
#include <memory>

namespace tovik::test {

// What the fake embedding models know and what they were asked. Shared between
// the test (interface thread) and the models (search queue), hence the lock.
struct FakeEmbeddingState
{
    mutable QMutex mutex;
    // Per language: text → token vectors. Unknown texts fail unless `fallback` is set.
    QHash<QString, QList<QList<double>>> tokens[2];
    std::function<QList<double>(const QString &)> fallback;
    bool assets[2] = {true, true};
    bool creatable[2] = {true, true};
    int dimension = 2;
    int delayMs = 0;
    // Record of the calls.
    QStringList embedded[2];
    int creations[2] = {0, 0};
    QString threadName;

    static int slot(EmbeddingLanguage language) { return language == EmbeddingLanguage::english ? 0 : 1; }

    // A unit vector at `degrees` from the x axis: cosine distance between two is 1 − cos(difference).
    void setAngle(EmbeddingLanguage language, const QString &text, double degrees)
    {
        const double radians = degrees * M_PI / 180.0;
        QMutexLocker lock(&mutex);
        tokens[slot(language)].insert(text, {{std::cos(radians), std::sin(radians)}});
    }
    void setAngleBoth(const QString &text, double degrees)
    {
        setAngle(EmbeddingLanguage::english, text, degrees);
        setAngle(EmbeddingLanguage::traditionalChinese, text, degrees);
    }
    QStringList embeddedTexts(EmbeddingLanguage language) const
    {
        QMutexLocker lock(&mutex);
        return embedded[slot(language)];
    }
    int creationCount(EmbeddingLanguage language) const
    {
        QMutexLocker lock(&mutex);
        return creations[slot(language)];
    }
};

class FakeEmbeddingModel final : public EmbeddingModel
{
public:
    FakeEmbeddingModel(std::shared_ptr<FakeEmbeddingState> state, EmbeddingLanguage language)
        : m_state(std::move(state))
        , m_slot(FakeEmbeddingState::slot(language))
    {
    }

    bool hasAvailableAssets() override
    {
        QMutexLocker lock(&m_state->mutex);
        return m_state->assets[m_slot];
    }

    std::optional<EmbeddingResult> embed(const QString &text) override
    {
        int delay = 0;
        std::optional<EmbeddingResult> result;
        {
            QMutexLocker lock(&m_state->mutex);
            m_state->embedded[m_slot].append(text);
            m_state->threadName = QThread::currentThread()->objectName();
            delay = m_state->delayMs;
            const auto known = m_state->tokens[m_slot].constFind(text);
            if (known != m_state->tokens[m_slot].cend())
                result = EmbeddingResult{m_state->dimension, *known};
            else if (m_state->fallback)
                result = EmbeddingResult{m_state->dimension, {m_state->fallback(text)}};
        }
        if (delay > 0)
            QThread::msleep(delay);
        return result;
    }

private:
    std::shared_ptr<FakeEmbeddingState> m_state;
    int m_slot;
};

inline EmbeddingModelFactory fakeEmbeddingFactory(std::shared_ptr<FakeEmbeddingState> state)
{
    return [state](EmbeddingLanguage language) -> std::unique_ptr<EmbeddingModel> {
        QMutexLocker lock(&state->mutex);
        const int slot = FakeEmbeddingState::slot(language);
        ++state->creations[slot];
        if (!state->creatable[slot])
            return nullptr;
        return std::make_unique<FakeEmbeddingModel>(state, language);
    };
}

} // namespace tovik::test
