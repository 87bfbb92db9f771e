#include "mainwindow/answersnapshot.h"

#include <QTimer>

namespace tovik {

AnswerSnapshot::AnswerSnapshot(QObject *parent)
    : QObject(parent)
{
}

void AnswerSnapshot::take(const QString *text, std::function<void(const QString &)> done)
{
    cancel();
    m_text = text;
    m_size = text->size();
    m_done = std::move(done);
    m_copy.reserve(m_size);
    schedule();
}

void AnswerSnapshot::cancel()
{
    ++m_generation;
    m_text = nullptr;
    m_copy = QString();
    m_done = nullptr;
}

void AnswerSnapshot::schedule()
{
    QTimer::singleShot(0, this, [this, generation = m_generation] {
        if (generation == m_generation)
            step();
    });
}

void AnswerSnapshot::step()
{
    const qsizetype from = m_copy.size();
    m_copy.append(QStringView(*m_text).sliced(from, std::min(slice, m_size - from)));
    if (m_copy.size() < m_size) {
        schedule();
        return;
    }
    const QString copy = std::exchange(m_copy, QString());
    const auto done = std::exchange(m_done, nullptr);
    m_text = nullptr;
    done(copy);
}

} // namespace tovik
