// Since GCC 13, libgcc's Windows thread functions, which any thrown
// exception links (through the exception allocator's mutex), compare threads
// with GetThreadId, which Windows has only from Vista on: imported, XP
// would refuse to load the program. The import is answered here instead:
// by the system's own function where there is one, else by the thread's
// basic information, which XP's ntdll gives.
#include <windows.h>

#include "platform/win32/win32_platform.h"

namespace {

// THREAD_BASIC_INFORMATION (winternl.h), class 0 of NtQueryInformationThread.
struct ThreadBasics {
    LONG exitStatus;
    void* environment;
    HANDLE process;
    HANDLE thread;
    ULONG_PTR affinity;
    LONG priority;
    LONG basePriority;
};

DWORD WINAPI ThreadId(HANDLE thread) {
    using Vista = DWORD(WINAPI*)(HANDLE);
    using Query = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
    if (const auto own = tavrune::SystemFunction<Vista>(L"kernel32.dll", "GetThreadId")) return own(thread);
    const auto query = tavrune::SystemFunction<Query>(L"ntdll.dll", "NtQueryInformationThread");
    ThreadBasics basics = {};
    if (!query || query(thread, 0, &basics, sizeof basics, nullptr) < 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(basics.thread));
}

}  // namespace

// The import's own name, which the linker finds here before the system's.
#if defined(__i386__)
extern "C" DWORD(WINAPI* const tavruneThreadIdImport)(HANDLE) __asm__("__imp__GetThreadId@4");
#else
extern "C" DWORD(WINAPI* const tavruneThreadIdImport)(HANDLE) __asm__("__imp_GetThreadId");
#endif
extern "C" DWORD(WINAPI* const tavruneThreadIdImport)(HANDLE) = ThreadId;
