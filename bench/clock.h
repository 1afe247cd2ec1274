// Microseconds from the performance counter, for the benchmark's programs.
#pragma once

#include <windows.h>

inline long long Micros() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return now.QuadPart * 1000000 / frequency.QuadPart;
}
