#!/usr/bin/env bash
# Checks the shipped Brelix.exe without running it: a 32-bit GUI program for
# i386, stripped, with its manifest and resources, importing only from DLLs
# every Windows has. Prints its size.
#
#   check_shipped_exe.sh BRELIX_EXE OBJDUMP
set -euo pipefail
# objdump's own words are what is matched: never a translation of them.
export LC_ALL=C LANG=C
exe="$1"
objdump="$2"
fail() { echo "check_shipped_exe: $*" >&2; exit 1; }

headers="$("$objdump" -p "$exe")"
format="$("$objdump" -f "$exe")"
grep -q 'file format pei-i386' <<<"$format" || fail "not a PE32 program for i386"
grep -Eq '^Subsystem[[:space:]]+0+2[[:space:]]' <<<"$headers" || fail "not a GUI program"
if "$objdump" -h "$exe" | grep -q '\.debug_'; then fail "debug information left in the program"; fi
if "$objdump" -t "$exe" 2>/dev/null | grep -q '^\[ *[0-9]'; then fail "symbol table left in the program"; fi

# Imports: only system DLLs, no runtime DLL that would have to ship beside it.
allowed=' KERNEL32.dll USER32.dll GDI32.dll ADVAPI32.dll COMCTL32.dll msvcrt.dll '
dlls="$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr -d '\r')"
[ -n "$dlls" ] || fail "no import table found"
for dll in $dlls; do
  case "${allowed,,}" in
    *" ${dll,,} "*) ;;
    *) fail "imports from $dll" ;;
  esac
done

# The manifest asks for the 32-bit common controls 6.0 with visual styles.
manifest="$(tr -d '\0' <"$exe" | sed -n '/<assembly/,/<\/assembly>/p')"
grep -q 'processorArchitecture="X86"' <<<"$manifest" || fail "manifest without processorArchitecture=\"X86\""
grep -q 'name="Microsoft.Windows.Common-Controls"' <<<"$manifest" || fail "manifest without Common Controls"
grep -q 'version="6.0.0.0"' <<<"$manifest" || fail "manifest without Common Controls 6.0"

# Resources: the four dialogs (100 about, 130 notes, 132 target, 133
# confirmation) and the icon, menu and accelerators 128.
rsrc="$("$objdump" -p "$exe" | sed -n '/Resource Directory/,$p')"
for id in 100 128 130 132 133; do
  hex="$(printf '%#x' "$id")"
  grep -Eqi "ID: 0x0*${hex#0x}([^0-9a-f]|$)" <<<"$rsrc" || fail "resource $id missing"
done

size="$(stat -c %s "$exe")"
echo "Brelix.exe: PE32 i386, GUI, stripped, $size bytes ($(( (size + 1023) / 1024 )) KB); imports: $(echo $dlls)"
