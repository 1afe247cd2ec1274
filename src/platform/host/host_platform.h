// The platform for tests on the build machine: the stored profiles embedded at
// build time, GBK through iconv, and everything the window would do made
// scriptable and recorded, so a test can see every command line that a real
// run would start and can fire events inside the run's yields.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace tavrune {

class HostPlatform : public Platform {
public:
    bool StartHidden(const std::u16string& commandLine) override;
    bool StartHiddenThen(const std::u16string& first, const std::u16string& then) override;
    bool FinishStarts() override;
    bool CanChangeServices() override { return canChangeServices; }
    void ProcessPendingEvents() override;
    bool InputPending() override;
    bool ConfirmWarning(const std::u16string& text, const std::u16string& title) override;
    void ShowError(const std::u16string& text, const std::u16string& title) override;
    std::vector<std::uint8_t> LoadResource(const std::u16string& type, int id) override;
    std::optional<std::u16string> DecodeCp936(const std::vector<std::uint8_t>& bytes) override;

    // Every command line started, in start order; a `then` of
    // StartHiddenThen as soon as it is asked for, marked in `waited`.
    std::vector<std::u16string> started;
    std::vector<bool> waited;
    // What FinishStarts says: every `then` command started.
    bool thenStarts = true;
    bool canChangeServices = true;
    // Whether a process can be started (the command interpreter exists).
    bool canStart = true;
    // Whether the system has code page 936.
    bool hasCp936 = true;
    // How often the message loop was pumped.
    int pumps = 0;
    // Events "waiting in the message loop": run on each pump.
    std::function<void()> onPump;
    bool inputPending = false;

    // Answer of the warning box, and what it was shown with.
    bool answerOk = true;
    struct Warning {
        std::u16string text, title;
    };
    std::vector<Warning> warnings;
    std::vector<Warning> errors;
};

}  // namespace tavrune
