#pragma once

#include "preview/answerclaims.h"
#include "preview/previewfind.h"
#include "preview/previewloadtask.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QStackedWidget;

namespace tovik {

class DocumentPreviewModel;
class EmptyStatePanel;
class FindBar;
class PreviewOCRCache;
class PreviewPageList;

// The documents page of a tab's sidebar: the find bar (while there are documents),
// the Sort picker, and below them whichever fits the model's state: "Loading
// document pages…", "Can't preview" with the model's notice, the list of cited
// pages, or "No document pages yet". While shown it loads the tab's answer into the
// model itself, restarting when the answer or working directory changes.
class DocumentPreview final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DocumentPreview)

public:
    enum class State { loading, cantPreview, rows, empty };

    // `cache` is the recognized-text cache to use; the process-wide one when null.
    explicit DocumentPreview(DocumentPreviewModel &model, QWidget *parent = nullptr, PreviewOCRCache *cache = nullptr);
    ~DocumentPreview() override;

    // The tab's current answer and working directory; call on every change.
    void follow(const QString &answer, const QString &workingDirectory);

    // Shows the passage that the citation marker starting at `markerStart` of the
    // answer points to: its page comes into view and flashes.
    void showCitation(qsizetype markerStart);
    AnswerClaims &claims() { return m_claims; }

    State state() const { return m_state; }
    PreviewFind &find() { return m_find; }
    FindBar *findBar() const { return m_findBar; }
    QComboBox *sortPicker() const { return m_sort; }
    PreviewPageList *list() const { return m_list; }
    EmptyStatePanel *emptyPanel() const { return m_empty; }
    EmptyStatePanel *cantPreviewPanel() const { return m_cantPreview; }

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void refreshRows();
    void refreshState();
    void refreshTexts();

    DocumentPreviewModel &m_model;
    PreviewFind m_find;
    AnswerClaims m_claims;
    PreviewLoadTask m_loadTask;
    QString m_answer;
    QString m_workingDirectory;
    State m_state = State::empty;

    FindBar *m_findBar;
    QLabel *m_sortLabel;
    QComboBox *m_sort;
    QStackedWidget *m_content;
    QWidget *m_loading;
    QLabel *m_loadingLabel;
    EmptyStatePanel *m_cantPreview;
    PreviewPageList *m_list;
    EmptyStatePanel *m_empty;
};

} // namespace tovik
