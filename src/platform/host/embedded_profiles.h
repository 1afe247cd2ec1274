// The stored profiles, compiled in from src/profiles/data at build time.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tavrune {

struct EmbeddedProfile {
    int id;
    const std::uint8_t* bytes;
    std::size_t size;
};

extern const EmbeddedProfile kEmbeddedProfiles[3];

}  // namespace tavrune
