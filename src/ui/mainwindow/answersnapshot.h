#pragma once

#include <QObject>
#include <QString>

#include <functional>

namespace tovik {

// A copy of a text that keeps growing at its end (an answer while rag streams it), for
// readers that hold on to what they are given: the open tab catalog and the preview.
// Giving them the text itself would make its owner copy all of it at the next append,
// in one go and with the interface waiting; here the copy is made a slice per
// event-loop turn, and only the finished copy is handed out. The owner keeps the text
// (and its address) alive, and calls cancel() when it replaces the text other than by
// appending.
class AnswerSnapshot final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AnswerSnapshot)

public:
    // Characters copied per event-loop turn.
    static constexpr qsizetype slice = 1 << 20;

    explicit AnswerSnapshot(QObject *parent = nullptr);

    // Copies `*text` as it is now; `done` gets the copy on a later turn. A copy under
    // way is dropped for the new one.
    void take(const QString *text, std::function<void(const QString &copy)> done);
    void cancel();
    bool isCopying() const { return m_text != nullptr; }

private:
    void schedule();
    void step();

    const QString *m_text = nullptr;
    QString m_copy;
    qsizetype m_size = 0;
    std::function<void(const QString &)> m_done;
    quint64 m_generation = 0;
};

} // namespace tovik
