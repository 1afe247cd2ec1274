// The platform on Windows.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "platform/platform.h"

namespace tavrune {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 strings are passed to the W API as they are");

inline const wchar_t* Wide(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
inline const wchar_t* Wide(const char16_t* s) { return reinterpret_cast<const wchar_t*>(s); }

// A function newer than XP SP3, looked up at run time so that the program
// still loads there; nullptr where the system lacks it.
template <typename Function>
Function SystemFunction(const wchar_t* module, const char* name) {
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(module), name)));
}

// The system folder (system32), where the programs and DLLs the tool starts
// or loads are taken from; empty if it cannot be found.
std::wstring SystemFolder();

struct ProcessStart;

class Win32Platform : public Platform {
public:
    Win32Platform();
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;
    ~Win32Platform() override;

    bool StartHidden(const std::u16string& commandLine) override;
    bool StartHiddenThen(const std::u16string& first, const std::u16string& then) override;
    bool FinishStarts() override;
    bool CanChangeServices() override;
    void ProcessPendingEvents() override;
    bool InputPending() override;
    bool ConfirmWarning(const std::u16string& text, const std::u16string& title) override;
    void ShowError(const std::u16string& text, const std::u16string& title) override;
    std::vector<std::uint8_t> LoadResource(const std::u16string& type, int id) override;
    std::optional<std::u16string> DecodeCp936(const std::vector<std::uint8_t>& bytes) override;

    // Owner of the message boxes.
    HWND owner = nullptr;
    // Gives the window its keyboard navigation in nested message loops; true
    // when the message was handled.
    std::function<bool(MSG&)> preTranslate;
    // WM_QUIT seen inside a nested loop: it is posted again for the main loop.
    std::function<void()> onQuit;

private:
    struct Pending {
        HANDLE thread;
        std::unique_ptr<ProcessStart> start;
    };
    bool Launch(const std::u16string& first, const std::u16string& then);
    // Dispatches the window's messages until `handle` is signalled.
    void Wait(HANDLE handle);
    // Dispatches every waiting message; false once WM_QUIT was seen.
    bool DispatchPending();

    // Pairs whose second command is still to be started.
    std::vector<Pending> pending_;
};

}  // namespace tavrune
