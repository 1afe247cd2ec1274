// Any bytes as a stored profile: decoded, split and read field by field the way
// a run reads them, then run as the standard profile by a Form. Pieces of the
// input are also assembled into a line, to pin down exactly when the field
// rules give that line's parts back.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/host/host_platform.h"
#include "profiles/builtin_profiles.h"
#include "profiles/profile_text.h"
#include "service/service_commands.h"
#include "ui/form.h"
#include "ui/result_list.h"

using namespace tavrune;

#define REQUIRE(cond) \
    do { if (!(cond)) std::fprintf(stderr, "violated at line %d: %s\n", __LINE__, #cond), std::abort(); } while (0)

namespace {

struct FuzzPlatform : HostPlatform {
    std::vector<std::uint8_t> standard;
    std::vector<std::uint8_t> LoadResource(const std::u16string& type, int id) override {
        return id == kStandardProfile ? standard : HostPlatform::LoadResource(type, id);
    }
};

bool Has(const std::u16string& s, const std::u16string& what) { return s.find(what) != std::u16string::npos; }

std::vector<std::u16string> Commands(const std::u16string& line) {
    const std::u16string name = DisplayName(line), type = StartType(line);
    const std::u16string key = ServiceKey(line, name, type);
    std::vector<std::u16string> commands;
    if (type == u"disabled") commands.push_back(StopCommand(key));
    commands.push_back(ConfigureCommand(key, type));
    if (type == u"auto") commands.push_back(StartCommand(key));
    for (const auto& c : commands) REQUIRE(c.rfind(u"cmd /c  sc ", 0) == 0);
    return commands;
}

// name "=" key "为" type, then spaces: the first "=" and the first "为" must be
// the separators, trimming must leave the type alone, and removing name "="
// everywhere must hit only the line's start.
void CheckAssembled(const std::u16string& text, const std::uint8_t* data, std::size_t size) {
    if (size < 4) return;
    auto cut = [&](std::size_t from, std::uint8_t b) { return from + b % (text.size() - from + 1); };
    const std::size_t a = cut(0, data[0]), b = cut(a, data[1]), c = cut(b, data[2]);
    const std::u16string name = text.substr(0, a), key = text.substr(a, b - a), type = text.substr(b, c - b);
    const std::u16string spaces(data[3] % 4u, u' ');
    const std::u16string line = name + u'=' + key + kTypeSeparator + type + spaces;

    const bool intact = !Has(name, u"=") && !Has(name, u"为") && !Has(key, u"为") &&
                        (type.empty() || (type.front() != u' ' && type.back() != u' ')) &&
                        !Has(key, name + u'=') && !Has(type, name + u'=');
    const std::u16string gotName = DisplayName(line), gotType = StartType(line);
    const bool back = gotName == name && gotType == type && ServiceKey(line, gotName, gotType) == key + spaces;
    REQUIRE(back == intact);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Keeps a run fast, and its lines far below the 16-bit row counter's cap.
    if (size > 32768) return 0;
    FuzzPlatform platform;
    platform.standard.assign(data, data + size);
    const std::u16string text = StripTrailingNuls(platform.DecodeCp936(platform.standard));
    REQUIRE(text.empty() || text.back() != u'\0');

    const LineList lines = Split(text);
    std::u16string joined;
    std::vector<std::u16string> expected;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::u16string& line = lines[i];
        REQUIRE(!Has(line, u"\r\n"));
        joined += (i ? u"\r\n" : u"") + line;
        REQUIRE(!Has(DisplayName(line), u"="));
        const std::u16string type = StartType(line);
        REQUIRE(type.empty() || (type.front() != u' ' && type.back() != u' '));
        for (auto& c : Commands(line)) expected.push_back(std::move(c));
    }
    REQUIRE(joined == text);
    CheckAssembled(text, data, size);

    // The bytes as the standard profile: every line applied in order, each
    // captioned, then the completion row.
    MemoryResultList list;
    Form form(platform, list);
    form.Option1_Click(kOptionStandard);
    form.Command1_Click();
    REQUIRE(platform.started == expected);
    REQUIRE(list.Count() == static_cast<int>(lines.size()) + 1);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        REQUIRE(list.Text(static_cast<int>(i)) == kProgressPrefix + DisplayName(lines[i]));
    }
    REQUIRE(list.Text(list.Count() - 1) == kCompletionRow && list.Current() == list.Count() - 1);
    REQUIRE(!form.Running() && platform.errors.empty());

    // The manual mode lists the same lines by display name.
    form.Option1_Click(kOptionManual);
    REQUIRE(list.Count() == static_cast<int>(lines.size()));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        REQUIRE(list.Text(static_cast<int>(i)) == DisplayName(lines[i]));
    }
    return 0;
}
