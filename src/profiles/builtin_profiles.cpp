#include "profiles/builtin_profiles.h"

#include "platform/platform.h"
#include "profiles/profile_text.h"

namespace tavrune {

std::vector<std::uint8_t> LoadProfile(Platform& platform, int id) {
    return platform.LoadResource(kProfileResourceType, id);
}

std::u16string DecodeProfile(Platform& platform, const std::vector<std::uint8_t>& stored) {
    return StripTrailingNuls(platform.DecodeCp936(stored));
}

}  // namespace tavrune
