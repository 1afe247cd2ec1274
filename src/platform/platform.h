// The few things the tool needs from the operating system. The portable core
// calls only these; Win32 and the host (tests) each provide them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tavrune {

// A configure that hangs must not keep its service from being started for
// long: after this the start goes out all the same.
inline constexpr unsigned kOrderedStartWaitMs = 10000;

class Platform {
public:
    virtual ~Platform() = default;

    // Starts the command line as a new process with its window hidden and
    // returns as soon as it has started; nothing waits for it or reads it.
    // False only when no process could be started at all.
    virtual bool StartHidden(const std::u16string& commandLine) = 0;

    // Starts `first` as StartHidden does and, once that process has ended
    // (or after kOrderedStartWaitMs at most), `then`, without holding up the
    // caller. `then` is not started when `first` could not be. False only when
    // `first` could not be started.
    virtual bool StartHiddenThen(const std::u16string& first, const std::u16string& then) = 0;

    // Waits, with the window answering, until every `then` of StartHiddenThen
    // has been started; false if one of them could not be.
    virtual bool FinishStarts() = 0;

    // Whether this user may change services (sc fails on every service
    // otherwise, and says so only in a console nobody sees).
    virtual bool CanChangeServices() = 0;

    // Lets the message loop handle everything that is waiting, then returns.
    virtual void ProcessPendingEvents() = 0;

    // True when keyboard or mouse input is waiting.
    virtual bool InputPending() = 0;

    // Modal OK/Cancel box with a warning icon; true only for OK.
    virtual bool ConfirmWarning(const std::u16string& text, const std::u16string& title) = 0;

    // Modal box with an error icon and an OK button.
    virtual void ShowError(const std::u16string& text, const std::u16string& title) = 0;

    // The raw bytes of the program's data resource (type name, numeric id);
    // empty when there is none.
    virtual std::vector<std::uint8_t> LoadResource(const std::u16string& type, int id) = 0;

    // Code page 936 (GBK) bytes to UTF-16; nothing where the system has no
    // code page 936 (a Windows without East Asian language support).
    virtual std::optional<std::u16string> DecodeCp936(const std::vector<std::uint8_t>& bytes) = 0;
};

}  // namespace tavrune
