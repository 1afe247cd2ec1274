// The text form of a service profile and the three fields of one of its lines.
//
// A line reads  display name "=" service key "为" start type,  for example
// "Alerter=Alerter为disabled". The field rules are plain string operations and
// their quirks are relied on: the first "=" and the first "为" win, removals
// take every occurrence in one left-to-right pass, and only U+0020 is trimmed.
#pragma once

#include <string>
#include <vector>

namespace tavrune {

using LineList = std::vector<std::u16string>;

// Separator between the service key and the start type (GBK bytes CE AA).
inline constexpr char16_t kTypeSeparator = u'为';

// Stored profiles may be padded with NULs to a multiple of four bytes; the
// padding decodes to trailing U+0000, which is not part of the text.
std::u16string StripTrailingNuls(std::u16string text);

// Cuts at every "\r\n". An empty text has no lines; a text ending in "\r\n"
// has a final empty line.
LineList Split(const std::u16string& text);

// Characters before the first "=". A line without "=" is its own display
// name, so a malformed line can never be mistaken for a shorter one.
std::u16string DisplayName(const std::u16string& line);

// Characters after the first "为", with leading and trailing U+0020 removed.
// Without "为" the whole line, trimmed the same way.
std::u16string StartType(const std::u16string& line);

// The line with every displayName + "=" removed, then every "为" + startType
// removed. Whatever else stood in the line stays, trailing spaces included.
std::u16string ServiceKey(const std::u16string& line, const std::u16string& displayName,
                          const std::u16string& startType);

// Every non-overlapping occurrence of `what`, found left to right in `text`,
// removed in a single pass (what is left is not scanned again).
std::u16string RemoveAll(const std::u16string& text, const std::u16string& what);

}  // namespace tavrune
