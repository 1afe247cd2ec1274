// Form1.ChangeService: applies one profile row to the machine.
#include "platform/platform.h"
#include "profiles/profile_text.h"
#include "service/service_commands.h"
#include "ui/form.h"

namespace tavrune {

bool Form::ChangeService(const std::u16string& LeftSrv, std::int32_t 序号) {
    // Only the run calls this, with indexes inside line list B; anything else
    // names no profile row and must not start a command.
    if (序号 < 0 || static_cast<std::size_t>(序号) >= state_.lineListB.size()) return false;
    const std::u16string& line = state_.lineListB[static_cast<std::size_t>(序号)];

    // A row whose caption is no longer the line's display name (a progress
    // caption from an earlier run) is left alone.
    if (DisplayName(line) != LeftSrv) return false;

    state_.currentStartType = StartType(line);
    state_.currentServiceKey = ServiceKey(line, LeftSrv, state_.currentStartType);

    const std::u16string& key = state_.currentServiceKey;
    const std::u16string& type = state_.currentStartType;
    if (type == u"disabled" && !platform_.StartHidden(StopCommand(key))) startFailed_ = true;
    // Windows refuses to start a service that is still disabled, and the two
    // commands run side by side: the start waits until the configure is done.
    const bool configuring = type == u"auto"
                                 ? platform_.StartHiddenThen(ConfigureCommand(key, type), StartCommand(key))
                                 : platform_.StartHidden(ConfigureCommand(key, type));
    if (!configuring) startFailed_ = true;
    return !startFailed_;
}

}  // namespace tavrune
