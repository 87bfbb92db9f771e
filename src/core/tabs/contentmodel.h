#pragma once

#include "history/questionrecord.h"

#include <QObject>
#include <QSet>
#include <QUuid>

#include <optional>

namespace tovik {

class AnswerCitationCount;
class QuestionHistoryStore;
class RagSession;
class RagSettings;
class UserPrompts;

enum class SidebarTab { ingest, documents, history };

// The state and workflow of one main-window tab: its session, the saved record it is
// linked to, and the derived values the tab's view shows (title, dirty, Ask / Save).
// GUI thread only.
class ContentModel final : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString tabTitle READ tabTitle NOTIFY stateChanged)
    Q_PROPERTY(bool isDirty READ isDirty NOTIFY stateChanged)
    Q_PROPERTY(bool canAsk READ canAsk NOTIFY stateChanged)
    Q_PROPERTY(bool canSave READ canSave NOTIFY stateChanged)
    Q_PROPERTY(bool loadedFromHistory READ loadedFromHistory NOTIFY stateChanged)
    Q_PROPERTY(bool isLogExpanded READ isLogExpanded WRITE setLogExpanded NOTIFY isLogExpandedChanged)
    Q_PROPERTY(qsizetype citedPageCount READ citedPageCount NOTIFY citedPageCountChanged)
    Q_DISABLE_COPY_MOVE(ContentModel)

public:
    ContentModel(RagSettings &settings, QuestionHistoryStore &history, UserPrompts &prompts,
                 QObject *parent = nullptr);
    ~ContentModel() override;

    RagSession &session() const { return *m_session; }
    RagSettings &settings() const { return m_settings; }
    QuestionHistoryStore &history() const { return m_history; }
    QUuid tabID() const { return m_tabID; }

    std::optional<qint64> linkedRecordID() const { return m_linkedRecordID; }
    QString savedQuestion() const { return m_savedQuestion; }
    QString savedAnswer() const { return m_savedAnswer; }
    bool loadedFromHistory() const { return m_loadedFromHistory; }
    bool isLogExpanded() const { return m_isLogExpanded; }
    void setLogExpanded(bool expanded);
    SidebarTab sidebarTab() const { return m_sidebarTab; }
    void setSidebarTab(SidebarTab tab);

    // Derived values.
    QString tabTitle() const;
    // The distinct pages the answer cites, followed as rag streams it.
    qsizetype citedPageCount() const;
    bool isDirty() const;
    bool canAsk() const;
    bool canSave() const;
    // English texts; the view translates them when it draws.
    QString saveButtonTitle() const;
    QString saveButtonHelp() const;
    QString askButtonHelp() const;
    // The record the history list marks as current: none while the tab is dirty.
    std::optional<qint64> currentHistoryID() const;

    // Operations of the tab.
    void ask();
    void cancel();
    bool saveQuestion();
    // By value: saving first rebuilds the store's and the lists' records.
    void loadRecord(QuestionRecord record);
    void selectRecord(QuestionRecord record);
    void deleteRecords(const QSet<qint64> &ids);
    // The unsaved-question guard's decision for a close of this tab.
    bool confirmClose();

Q_SIGNALS:
    void stateChanged();
    void isLogExpandedChanged();
    void sidebarTabChanged();
    void citedPageCountChanged();
    // A saved or loaded record moved focus away from the question field.
    void questionFocusReleased();

private:
    void sessionChanged();
    void answerChanged();
    bool hasAnswer() const;
    // The dirty flag and whether there is an answer, as stateChanged last told them.
    void rememberState();
    void recordsChanged();
    void unlinkIfRemoved(const QSet<qint64> &removed);
    void setLinked(std::optional<qint64> id, const QString &question, const QString &answer);
    void setLoadedFromHistory(bool loaded);

    RagSettings &m_settings;
    QuestionHistoryStore &m_history;
    UserPrompts &m_prompts;
    RagSession *m_session;
    AnswerCitationCount *m_citedPages;
    QUuid m_tabID = QUuid::createUuid();
    std::optional<qint64> m_linkedRecordID;
    QString m_savedQuestion;
    QString m_savedAnswer;
    bool m_loadedFromHistory = false;
    bool m_isLogExpanded = true;
    SidebarTab m_sidebarTab = SidebarTab::ingest;
    bool m_wasDirty = false;
    bool m_hadAnswer = false;
    bool m_isPromptingClose = false;
    QSet<qint64> m_knownRecordIDs;
};

} // namespace tovik
