#include "service/service_commands.h"

namespace tavrune {

// "/d": the interpreter runs elevated, so it must not first run the AutoRun
// commands of HKCU\Software\Microsoft\Command Processor, which any program of
// the same user can write (a "cd" there would even make "sc" resolve in that
// folder). sc receives the same arguments either way.
static const std::u16string kInterpreter = u"cmd /d /c  sc ";

std::u16string StopCommand(const std::u16string& serviceKey) { return kInterpreter + u"stop " + serviceKey; }

std::u16string ConfigureCommand(const std::u16string& serviceKey, const std::u16string& startType) {
    return kInterpreter + u"config " + serviceKey + u" start= \"" + startType + u"\"";
}

std::u16string StartCommand(const std::u16string& serviceKey) {
    return kInterpreter + u"start " + serviceKey;
}

}  // namespace tavrune
