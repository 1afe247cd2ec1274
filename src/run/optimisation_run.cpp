// Form1.Command1_Click: applies the loaded profile and shows the progress.
#include <algorithm>
#include <limits>

#include "platform/platform.h"
#include "ui/form.h"
#include "ui/result_list.h"

namespace tavrune {

namespace {

// The row counter is 16 bits wide: a run stops at its last value instead of
// wrapping round to row -32768.
int LastRow(int count) {
    return std::min(count - 1, static_cast<int>(std::numeric_limits<std::int16_t>::max()));
}

}  // namespace

bool Form::YieldToEvents() {
    // Without a command interpreter no row can be applied: going on would
    // only caption rows that were never changed.
    if (startFailed_) return false;
    platform_.ProcessPendingEvents();
    return !closeRequested_;
}

void Form::YieldIfInputPending() {
    if (platform_.InputPending()) platform_.ProcessPendingEvents();
}

void Form::ShowApplied(int row, const std::u16string& name) {
    // One repaint per row: each change of a list control repaints on its own,
    // and the window answers nothing while it does.
    list1_.BeginUpdate();
    list1_.SetText(row, kProgressPrefix + name);
    list1_.SetMarked(row, true);
    list1_.SetCurrent(row);
    list1_.EndUpdate();
}

void Form::Command1_Click() {
    if (running_ || closeRequested_) return;
    if (profileUnreadable_) return platform_.ShowError(kNoCodePageText, kErrorTitle);
    // Without the rights every command fails unseen: better to say so and
    // change nothing, the list included.
    if (!platform_.CanChangeServices()) return platform_.ShowError(kNoRightsText, kErrorTitle);
    running_ = true;
    startFailed_ = false;
    ControlStateChanged();

    state_.lineListA = Split(state_.profileText);
    state_.lineListB = Split(state_.profileText);

    const int lastRow = list1_.Count() - 1;
    if (list1_.Text(lastRow) == kCompletionRow) list1_.Remove(lastRow);

    if (selectedOption_ == kOptionManual)
        RunManual();
    else
        RunAutomatic();
    // A start waiting for its configure belongs to a row already shown as
    // applied, also when the window is closing.
    if (!platform_.FinishStarts()) startFailed_ = true;

    // A run cut short did not complete, so it does not say so.
    if (startFailed_) {
        platform_.ShowError(kCannotStartText, kErrorTitle);
    } else if (!closeRequested_) {
        list1_.Append(kCompletionRow);
        const int completion = list1_.Count() - 1;
        list1_.SetCurrent(completion);
        list1_.SetMarked(completion, true);
    }
    running_ = false;
    ControlStateChanged();
}

void Form::RunManual() {
    const int last = LastRow(list1_.Count());
    const int profileRows = static_cast<int>(state_.lineListA.size());
    for (int row = 0; row <= last; ++row) {
        state_.rowCounter = static_cast<std::int16_t>(row);
        // Rows past the profile (About rows, an earlier completion row) are
        // no service: they are neither applied nor recaptioned.
        if (row >= profileRows) continue;
        const std::u16string name = DisplayName(state_.lineListA[row]);
        if (!list1_.Marked(row)) continue;

        if (!YieldToEvents()) return;
        // The list claims only what was done: a marked row whose text is not
        // its line's display name (an About row, a caption from an earlier
        // run) keeps its text, and the current row stays where it was.
        if (ChangeService(list1_.Text(row), state_.rowCounter)) ShowApplied(row, name);
        YieldIfInputPending();
    }
}

void Form::RunAutomatic() {
    list1_.Clear();
    const int last = LastRow(static_cast<int>(state_.lineListA.size()));
    for (int row = 0; row <= last; ++row) {
        state_.rowCounter = static_cast<std::int16_t>(row);
        if (!YieldToEvents()) return;
        const std::u16string name = DisplayName(state_.lineListA[row]);
        if (ChangeService(name, state_.rowCounter)) ShowApplied(row, name);
        YieldIfInputPending();
    }
}

}  // namespace tavrune
