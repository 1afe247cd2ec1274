#include "profiles/profile_text.h"

namespace tavrune {

std::u16string StripTrailingNuls(std::u16string text) {
    while (!text.empty() && text.back() == u'\0') text.pop_back();
    return text;
}

LineList Split(const std::u16string& text) {
    LineList lines;
    if (text.empty()) return lines;
    static const std::u16string kBreak = u"\r\n";
    std::u16string::size_type from = 0;
    for (;;) {
        const auto at = text.find(kBreak, from);
        if (at == std::u16string::npos) {
            lines.push_back(text.substr(from));
            return lines;
        }
        lines.push_back(text.substr(from, at - from));
        from = at + kBreak.size();
    }
}

std::u16string DisplayName(const std::u16string& line) { return line.substr(0, line.find(u'=')); }

static std::u16string TrimSpaces(const std::u16string& s) {
    const auto first = s.find_first_not_of(u' ');
    if (first == std::u16string::npos) return {};
    const auto last = s.find_last_not_of(u' ');
    return s.substr(first, last - first + 1);
}

std::u16string StartType(const std::u16string& line) {
    const auto at = line.find(kTypeSeparator);
    return TrimSpaces(at == std::u16string::npos ? line : line.substr(at + 1));
}

std::u16string RemoveAll(const std::u16string& text, const std::u16string& what) {
    if (what.empty()) return text;
    std::u16string out;
    out.reserve(text.size());
    std::u16string::size_type from = 0;
    for (auto at = text.find(what); at != std::u16string::npos; at = text.find(what, from)) {
        out.append(text, from, at - from);
        from = at + what.size();
    }
    out.append(text, from, std::u16string::npos);
    return out;
}

std::u16string ServiceKey(const std::u16string& line, const std::u16string& displayName,
                          const std::u16string& startType) {
    const std::u16string withoutName = RemoveAll(line, displayName + u'=');
    return RemoveAll(withoutName, kTypeSeparator + startType);
}

}  // namespace tavrune
