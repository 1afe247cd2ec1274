#include "ui/form.h"

#include <algorithm>
#include <limits>

#include "platform/platform.h"
#include "profiles/builtin_profiles.h"
#include "ui/result_list.h"

namespace tavrune {

Form::Form(Platform& platform, ResultList& list1) : platform_(platform), list1_(list1) {}

void Form::ControlStateChanged() {
    if (onControlStateChange) onControlStateChange();
}

void Form::Option1_Click(std::int16_t index) {
    if (running_) return;
    list1_.Clear();

    int profile = 0;
    switch (index) {
        case kOptionStandard: profile = kStandardProfile; break;
        case kOptionAdvanced: profile = kAdvancedProfile; break;
        case kOptionLocalNetwork: profile = kLocalNetworkProfile; break;
        case kOptionManual: profile = kStandardProfile; break;
        default: return;  // no such option
    }
    const std::optional<std::u16string> text = DecodeProfile(platform_, LoadProfile(platform_, profile));
    state_.profileText = text.value_or(std::u16string());
    profileUnreadable_ = !text;
    selectedOption_ = index;
    ControlStateChanged();

    if (profileUnreadable_) return platform_.ShowError(kNoCodePageText, kErrorTitle);
    if (index != kOptionManual) return;
    if (!platform_.ConfirmWarning(kManualWarningText, kManualWarningTitle)) return;

    state_.lineListA = Split(state_.profileText);
    // The row counter is 16 bits wide; rows past its range are not listed.
    const int last = std::min<int>(static_cast<int>(state_.lineListA.size()) - 1,
                                   std::numeric_limits<std::int16_t>::max());
    for (int row = 0; row <= last; ++row) {
        state_.rowCounter = static_cast<std::int16_t>(row);
        list1_.Append(DisplayName(state_.lineListA[row]));
    }
}

void Form::Label1_Click() {
    if (running_) return;
    for (const char16_t* row : kAboutRows) list1_.Append(row);
}

}  // namespace tavrune
