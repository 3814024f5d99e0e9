#!/usr/bin/env bash
# Fails unless every DLL the given Windows programs import is one Windows ships in its system
# folder, so that the program runs from a bare copy (no mingw runtime DLLs beside it).
# Usage: check-system-imports.sh EXE_OR_DLL...
set -euo pipefail
(($#)) || { echo "usage: $0 EXE_OR_DLL..." >&2; exit 2; }
objdump=
for tool in x86_64-w64-mingw32-objdump i686-w64-mingw32-objdump; do
  command -v "$tool" >/dev/null && { objdump=$tool; break; }
done
[ -n "$objdump" ] || { echo "no mingw-w64 objdump found" >&2; exit 2; }

declare -A system_dll
for dll in advapi32 comctl32 comdlg32 gdi32 kernel32 msvcrt ole32 oleaut32 shell32 shlwapi \
           user32 uxtheme version ws2_32; do
  system_dll[$dll.dll]=1
done

status=0
for file in "$@"; do
  [ -f "$file" ] || { echo "$file: not found" >&2; status=1; continue; }
  format=$("$objdump" -f "$file" | sed -n 's/.*file format //p')
  mapfile -t imports < <("$objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p' \
                           | tr '[:upper:]' '[:lower:]' | sort -u)
  foreign=()
  for dll in "${imports[@]}"; do
    [ -n "${system_dll[$dll]:-}" ] || foreign+=("$dll")
  done
  if ((${#imports[@]} == 0)); then
    echo "$file: no imports found" >&2
    status=1
  elif ((${#foreign[@]})); then
    echo "$file ($format): imports DLLs Windows does not ship: ${foreign[*]}" >&2
    status=1
  else
    echo "$file ($format): system DLLs only: ${imports[*]}"
  fi
done
exit $status
