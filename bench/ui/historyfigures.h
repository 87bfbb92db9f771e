#pragma once

namespace bench {

// The main window on a history of `recordCount` saved questions: time until the list
// shows them all, resident memory, CPU used while the window sits idle, and the
// interface thread's CPU time per keystroke in the history search box.
// `variedAnswers`: answers of words drawn at random rather than one paragraph repeated.
void historyFigures(int recordCount, bool variedAnswers = false);

} // namespace bench
