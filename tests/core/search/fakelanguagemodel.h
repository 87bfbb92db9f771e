#pragma once

#include "modelserver/languagemodel.h"
#include "search/historysearchreading.h"

#include <QJsonArray>
#include <QPointer>
#include <QTimer>

namespace tovik::test {

// A language model whose availability and answers the test sets.
class FakeLanguageModel final : public LanguageModel
{
public:
    enum class Mode { answer, fail, hold };

    bool available = true;
    Mode mode = Mode::answer;
    HistorySearchReading reading;
    QList<StructuredRequest> requests;

    bool isAvailable() override { return available; }

    void respond(const StructuredRequest &request, QObject *context, std::function<void(StructuredReply)> done) override
    {
        requests.append(request);
        if (mode == Mode::hold) {
            m_held = std::move(done);
            m_heldContext = context;
            return;
        }
        const StructuredReply reply = mode == Mode::answer ? replyFor(reading) : StructuredReply{std::nullopt, QStringLiteral("failed")};
        QTimer::singleShot(0, context, [done = std::move(done), reply] { done(reply); });
    }

    bool isHolding() const { return bool(m_held); }
    // Answers the held request with `reading`.
    void release()
    {
        auto done = std::move(m_held);
        m_held = nullptr;
        if (done && m_heldContext)
            done(replyFor(reading));
    }

    static StructuredReply replyFor(const HistorySearchReading &reading)
    {
        return {QJsonObject{{QStringLiteral("excludedPhrases"), QJsonArray::fromStringList(reading.excludedPhrases)},
                            {QStringLiteral("wantsAbsence"), reading.wantsAbsence}},
                QString()};
    }

private:
    std::function<void(StructuredReply)> m_held;
    QPointer<QObject> m_heldContext;
};

} // namespace tovik::test
