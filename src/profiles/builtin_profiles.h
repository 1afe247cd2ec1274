// The three service profiles carried inside the program.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavrune {

class Platform;

enum ProfileId : int {
    kStandardProfile = 101,      // 普通优化, and the list of the manual mode
    kAdvancedProfile = 102,      // 高级优化
    kLocalNetworkProfile = 103,  // 局域网优化
};

inline constexpr char16_t kProfileResourceType[] = u"CUSTOM";

// The stored bytes, NUL fill included.
std::vector<std::uint8_t> LoadProfile(Platform& platform, int id);

// Stored bytes to profile text: GBK decoded, trailing NULs dropped. GBK is
// used whatever the system's ANSI code page is, since the stored profiles are
// GBK by definition and any other code page would lose every "为". Nothing
// where the system has no code page 936.
std::optional<std::u16string> DecodeProfile(Platform& platform, const std::vector<std::uint8_t>& stored);

}  // namespace tavrune
