#!/usr/bin/env bash
# Prints the functions an executable imports, one "DLL!function" a line, sorted.
#   tests/e2e/imports.sh Tavrune.exe
# Tavrune.exe's list is kept in tests/e2e/imports-i686.txt and compared on
# every test run: each new import must be checked against Windows XP SP3 on
# purpose, since Wine exports far more than XP does.
# objdump lays a row out as "vma  Hint  Member-Name" up to binutils 2.43
# (Debian 12) and as "vma  Ordinal  Hint  Member-Name" since (Debian 13):
# the name is the last column in both.
set -euo pipefail
i686-w64-mingw32-objdump -p "${1:?usage: imports.sh EXE}" | awk '
    /^\tDLL Name:/ { dll = toupper($3); next }
    dll != "" && NF >= 3 && $1 ~ /^[0-9a-f]+$/ && $NF !~ /^</ { print dll "!" $NF }
    NF == 0 { dll = "" }
' | sort -u
