#include "platform/host/host_platform.h"

#include <iconv.h>

#include <cerrno>

#include "platform/host/embedded_profiles.h"

namespace tavrune {

bool HostPlatform::StartHidden(const std::u16string& commandLine) {
    if (!canStart) return false;
    started.push_back(commandLine);
    waited.push_back(false);
    return true;
}

bool HostPlatform::StartHiddenThen(const std::u16string& first, const std::u16string& then) {
    if (!StartHidden(first)) return false;
    started.push_back(then);
    waited.push_back(true);
    return true;
}

bool HostPlatform::FinishStarts() { return thenStarts; }

void HostPlatform::ProcessPendingEvents() {
    ++pumps;
    if (onPump) onPump();
}

bool HostPlatform::InputPending() { return inputPending; }

bool HostPlatform::ConfirmWarning(const std::u16string& text, const std::u16string& title) {
    warnings.push_back({text, title});
    return answerOk;
}

void HostPlatform::ShowError(const std::u16string& text, const std::u16string& title) {
    errors.push_back({text, title});
}

static bool SameTypeName(const std::u16string& a, const std::u16string& b) {
    // Resource type names compare without regard to (ASCII) case.
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::vector<std::uint8_t> HostPlatform::LoadResource(const std::u16string& type, int id) {
    if (!SameTypeName(type, u"CUSTOM")) return {};
    for (const EmbeddedProfile& p : kEmbeddedProfiles) {
        if (p.id == id) return std::vector<std::uint8_t>(p.bytes, p.bytes + p.size);
    }
    return {};
}

std::optional<std::u16string> HostPlatform::DecodeCp936(const std::vector<std::uint8_t>& bytes) {
    std::u16string out;
    iconv_t cd = hasCp936 ? iconv_open("UTF-16LE", "CP936") : reinterpret_cast<iconv_t>(-1);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::vector<char> in(bytes.begin(), bytes.end());
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    std::vector<char> buf(in.size() * 4 + 16);
    while (inLeft > 0) {
        char* outPtr = buf.data();
        std::size_t outLeft = buf.size();
        const std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        for (char* p = buf.data(); p + 1 < outPtr; p += 2) {
            out.push_back(static_cast<char16_t>(static_cast<unsigned char>(p[0]) |
                                                (static_cast<unsigned char>(p[1]) << 8)));
        }
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            // Like MultiByteToWideChar without MB_ERR_INVALID_CHARS: a byte
            // that is no GBK becomes U+FFFD and decoding goes on.
            out.push_back(u'\xFFFD');
            ++inPtr;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace tavrune
