#include "profiles/builtin_profiles.h"

#include "platform/platform.h"
#include "profiles/profile_text.h"

namespace tavrune {

std::vector<std::uint8_t> LoadProfile(Platform& platform, int id) {
    return platform.LoadResource(kProfileResourceType, id);
}

std::optional<std::u16string> DecodeProfile(Platform& platform, const std::vector<std::uint8_t>& stored) {
    std::optional<std::u16string> text = platform.DecodeCp936(stored);
    if (text) *text = StripTrailingNuls(std::move(*text));
    return text;
}

}  // namespace tavrune
