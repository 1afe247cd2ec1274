#include "service/service_commands.h"

namespace tavrune {

std::u16string StopCommand(const std::u16string& serviceKey) {
    return u"cmd /c  sc stop " + serviceKey;
}

std::u16string ConfigureCommand(const std::u16string& serviceKey, const std::u16string& startType) {
    return u"cmd /c  sc config " + serviceKey + u" start= \"" + startType + u"\"";
}

std::u16string StartCommand(const std::u16string& serviceKey) {
    return u"cmd /c  sc start " + serviceKey;
}

}  // namespace tavrune
