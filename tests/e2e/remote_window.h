// Reading Tavrune's window from another process, for the end-to-end driver
// and the benchmark.
#pragma once

#include <windows.h>

#include <string>

namespace tavrune_test {

// A sent message returns once the program is back in its message loop; the
// time-out keeps a hung program from hanging the test.
inline LRESULT SendWithTimeout(HWND h, UINT message, WPARAM w = 0, LPARAM l = 0) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(h, message, w, l, SMTO_NORMAL, 20000, &result);
    return static_cast<LRESULT>(result);
}

inline std::wstring ListText(HWND list, int i) {
    const LRESULT n = SendWithTimeout(list, LB_GETTEXTLEN, static_cast<WPARAM>(i));
    if (n <= 0) return {};
    std::wstring s(static_cast<std::size_t>(n) + 1, L'\0');
    const LRESULT got = SendWithTimeout(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&s[0]));
    s.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return s;
}

// Microseconds from the performance counter.
inline long long Micros() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart * 1000000 / frequency.QuadPart;
}

}  // namespace tavrune_test
