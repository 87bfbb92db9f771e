#pragma once

#include <QNetworkAccessManager>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace tovik {

struct ModelServerReply;

// One check of the model server for the settings page: lists the server's
// models, tries each named embedding model on a short text, and reports in
// words, one line per part, what answered. Interface thread.
class ModelServerCheck final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ModelServerCheck)

public:
    struct Subject
    {
        QString serverURL;
        QString englishEmbeddingModel;
        QString chineseEmbeddingModel;
        QString assistantModel;
    };

    ModelServerCheck(Subject subject, int timeoutMs, QObject *parent = nullptr);

    // Starts; finished() comes later, through the event loop.
    void start();

Q_SIGNALS:
    void finished(const QString &report);

private:
    void listed(const ModelServerReply &reply);
    void embedded(int line, const QString &label, const QString &model, const ModelServerReply &reply);
    QString serverProblem(const ModelServerReply &reply) const;
    void finishIfDone();

    Subject m_subject;
    int m_timeoutMs;
    QUrl m_base;
    QNetworkAccessManager m_manager;
    QStringList m_lines;
    QStringList m_modelIDs;
    int m_pending = 0;
};

} // namespace tovik
