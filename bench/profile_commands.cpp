#include "profile_commands.h"

#include <windows.h>

#include "profiles/profile_text.h"
#include "service/service_commands.h"

namespace tavrune_bench {

std::vector<Row> ProfileCommands(const std::wstring& tavruneExe, int profileId) {
    std::u16string text;
    HMODULE module = LoadLibraryExW(tavruneExe.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (HRSRC r = module ? FindResourceW(module, MAKEINTRESOURCEW(profileId), L"CUSTOM") : nullptr) {
        const auto* bytes = static_cast<const char*>(LockResource(LoadResource(module, r)));
        const int size = static_cast<int>(SizeofResource(module, r));
        const int n = MultiByteToWideChar(936, 0, bytes, size, nullptr, 0);
        text.resize(static_cast<std::size_t>(n));
        MultiByteToWideChar(936, 0, bytes, size, reinterpret_cast<wchar_t*>(&text[0]), n);
    }
    if (module) FreeLibrary(module);

    // The same three rules as Form::ChangeService, one row after another.
    std::vector<Row> rows;
    for (const std::u16string& line : tavrune::Split(tavrune::StripTrailingNuls(text))) {
        const std::u16string name = tavrune::DisplayName(line);
        const std::u16string type = tavrune::StartType(line);
        const std::u16string key = tavrune::ServiceKey(line, name, type);
        Row& commands = rows.emplace_back();
        if (type == u"disabled") commands.push_back(tavrune::StopCommand(key));
        commands.push_back(tavrune::ConfigureCommand(key, type));
        if (type == u"auto") commands.push_back(tavrune::StartCommand(key));
    }
    return rows;
}

}  // namespace tavrune_bench
