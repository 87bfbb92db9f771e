#pragma once

#include "tabs/userprompts.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

namespace tovik {
class QuestionHistoryStore;
class RagSettings;
}

namespace tovik::test {

// Answers the workflow's questions from a script and counts them.
class ScriptedPrompts final : public UserPrompts
{
public:
    UnsavedChoice discardAnswer = UnsavedChoice::cancel;
    UnsavedChoice leaveAnswer = UnsavedChoice::cancel;
    bool deleteAnswer = true;
    int discardAsked = 0;
    int leaveAsked = 0;
    bool lastLeaveWasAsking = false;
    int deleteAsked = 0;
    int lastDeleteCount = 0;

    UnsavedChoice confirmDiscardForLoad() override
    {
        ++discardAsked;
        return discardAnswer;
    }
    UnsavedChoice confirmLeave(bool asking) override
    {
        ++leaveAsked;
        lastLeaveWasAsking = asking;
        return leaveAnswer;
    }
    bool confirmDelete(int count) override
    {
        ++deleteAsked;
        lastDeleteCount = count;
        return deleteAnswer;
    }
};

// A working directory, a fake rag (tests/support/fake-rag.sh) and a history file of
// their own, so workflow tests run real jobs without touching the user's files.
struct WorkflowFixture
{
    WorkflowFixture();
    ~WorkflowFixture();

    QTemporaryDir folder;
    std::unique_ptr<RagSettings> settings;
    std::unique_ptr<QuestionHistoryStore> history;
    QString ragPath;
};

} // namespace tovik::test
