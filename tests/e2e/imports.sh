#!/usr/bin/env bash
# Prints the functions an executable imports, one "DLL!function" a line, sorted.
#   tests/e2e/imports.sh Tavrune.exe
# Tavrune.exe's list is kept in tests/e2e/imports-i686.txt and compared on
# every test run: each new import must be checked against Windows XP SP3 on
# purpose, since Wine exports far more than XP does.
set -euo pipefail
i686-w64-mingw32-objdump -p "${1:?usage: imports.sh EXE}" | awk -F'\t' '
    /^\tDLL Name:/ { split($2, a, ": "); dll = toupper(a[2]); next }
    dll != "" && NF >= 3 && $2 ~ /^[0-9a-f]+$/ { split($3, b, " +"); print dll "!" b[3] }
    /^$/ { dll = "" }
' | sort -u
