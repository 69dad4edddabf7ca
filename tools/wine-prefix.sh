#!/usr/bin/env bash
# Creates the project's Wine prefix on first use (32- or 64-bit, as
# BRELIX_WINE_ARCH says): Japanese font replacements, no window-manager stalls
# under Xvfb, drive A: a floppy, D: a CD-ROM.
# Safe to run again and from several processes at once.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"

if [ -f "$WINEPREFIX/.brelix-ready" ]; then exit 0; fi
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9
if [ -f "$WINEPREFIX/.brelix-ready" ]; then exit 0; fi

echo "wine-prefix: creating $WINEPREFIX" >&2
rm -rf "$WINEPREFIX"
# Through "wine": /usr/bin/wineboot would start the 32-bit loader.
wine wineboot -i >/dev/null 2>&1
reg() { wine reg add "$@" /f >/dev/null 2>&1; }
# Marlett draws the buttons of title bars (a letter "r" without it). The
# 64-bit Wine does not look in fonts-wine's folder, so the prefix gets a copy.
if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
fi
# Wine reads drive types from the native view of the registry.
native_view=()
if [ "$WINEARCH" = win64 ]; then native_view=(/reg:64); fi
for name in 'ＭＳ Ｐゴシック' 'MS PGothic' 'MS UI Gothic'; do
  reg 'HKCU\Software\Wine\Fonts\Replacements' /v "$name" /d IPAPGothic
done
for name in 'ＭＳ ゴシック' 'MS Gothic'; do
  reg 'HKCU\Software\Wine\Fonts\Replacements' /v "$name" /d IPAGothic
done
reg 'HKCU\Software\Wine\X11 Driver' /v Managed /d N
reg 'HKLM\Software\Wine\Drives' /v a: /d floppy "${native_view[@]}"
reg 'HKLM\Software\Wine\Drives' /v d: /d cdrom "${native_view[@]}"
mkdir -p "$WINEPREFIX/floppy" "$WINEPREFIX/cdrom"
ln -sfn ../floppy "$WINEPREFIX/dosdevices/a:"
ln -sfn ../cdrom "$WINEPREFIX/dosdevices/d:"
wineserver -k || true
wineserver -w || true
touch "$WINEPREFIX/.brelix-ready"
