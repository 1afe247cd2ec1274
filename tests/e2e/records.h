// The sc stand-in's records: a file per call of sc, sc_*.rec, holding its
// line. Written by sc_record.exe, read by it and by the driver.
#pragma once

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

inline std::vector<std::string> ReadRecords(const std::wstring& folder) {
    std::vector<std::string> lines;
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((folder + L"\\sc_*.rec").c_str(), &found);
    for (BOOL more = h != INVALID_HANDLE_VALUE; more; more = FindNextFileW(h, &found)) {
        std::ifstream in((folder + L"\\" + found.cFileName).c_str(), std::ios::binary);
        lines.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    FindClose(h);
    return lines;
}
