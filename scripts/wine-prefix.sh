#!/usr/bin/env bash
# Creates the Wine prefix under build/ once, and prepares the lab farm in it: registers
# labfarm.dll (which installs the demo farms into an empty store) and puts mfreg.exe into
# the given working folder. Run it on the display the programs will use.
# Usage: wine-prefix.sh WINDOWS_BUILD_DIR [WORKING_DIR]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:?windows build folder}
work=${2:-}
export WINEPREFIX=${ZELT_WINEPREFIX:-$here/build/wineprefix}
export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES=mscoree,mshtml=
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Creating Wine prefix $WINEPREFIX"
  wine wineboot --init >/dev/null 2>&1 || true
  # Windows not managed by an X window manager: no wait for one when a window closes.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
fi
# Wine's stand-ins for the Windows fonts, so the forms get the face they are laid out for.
fonts=$WINEPREFIX/drive_c/windows/Fonts
if [ -d /usr/share/wine/fonts ] && [ ! -f "$fonts/ms_sans_serif.ttf" ]; then
  mkdir -p "$fonts"
  cp /usr/share/wine/fonts/* "$fonts/"
fi
if [ -f "$build/src/lab/com/labfarm.dll" ]; then
  wine regsvr32 /s "$(winepath -w "$build/src/lab/com/labfarm.dll")" >/dev/null 2>&1 \
    || { echo "regsvr32 labfarm.dll failed" >&2; exit 1; }
fi
if [ -n "$work" ] && [ -f "$build/src/lab/mfreg/mfreg.exe" ]; then
  mkdir -p "$work"
  cp "$build/src/lab/mfreg/mfreg.exe" "$work/"
fi
