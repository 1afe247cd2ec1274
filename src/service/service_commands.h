// The service-controller command lines, run through the command interpreter.
// The double space after "/c" and the quoted start type are part of the text.
#pragma once

#include <string>

namespace tavrune {

std::u16string StopCommand(const std::u16string& serviceKey);
std::u16string ConfigureCommand(const std::u16string& serviceKey, const std::u16string& startType);
std::u16string StartCommand(const std::u16string& serviceKey);

}  // namespace tavrune
