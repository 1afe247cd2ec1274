#include "profile_rows.h"

#include <windows.h>

#include "profiles/profile_text.h"
#include "service/service_commands.h"

namespace tavrune_test {

std::vector<ProfileRow> ProfileRows(const std::wstring& tavruneExe, int profileId) {
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
    std::vector<ProfileRow> rows;
    for (const std::u16string& line : tavrune::Split(tavrune::StripTrailingNuls(text))) {
        ProfileRow& row = rows.emplace_back();
        row.name = tavrune::DisplayName(line);
        row.type = tavrune::StartType(line);
        row.key = tavrune::ServiceKey(line, row.name, row.type);
        if (row.type == u"disabled") row.commands.push_back(tavrune::StopCommand(row.key));
        row.commands.push_back(tavrune::ConfigureCommand(row.key, row.type));
        if (row.type == u"auto") row.commands.push_back(tavrune::StartCommand(row.key));
    }
    return rows;
}

}  // namespace tavrune_test
