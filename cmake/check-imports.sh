#!/bin/sh
# Fails when a Windows binary imports a DLL that is not part of Windows itself
# (a C++ runtime or threads DLL that would have to be shipped beside it).
#   check-imports.sh OBJDUMP BINARY...
objdump=$1; shift
status=0
for bin in "$@"; do
  dlls=$("$objdump" -p "$bin" | sed -n 's/^[[:space:]]*DLL Name: //p')
  [ -n "$dlls" ] || { echo "$bin: no import table found"; status=1; continue; }
  for dll in $dlls; do
    case $(echo "$dll" | tr 'A-Z' 'a-z') in
      kernel32.dll|user32.dll|advapi32.dll|ole32.dll|oleaut32.dll|msvcrt.dll|shell32.dll|shlwapi.dll|\
      gdi32.dll|rpcrt4.dll|uuid.dll|ntdll.dll|api-ms-win-*.dll|ucrtbase.dll) ;;
      *) echo "$bin imports non-system DLL $dll"; status=1 ;;
    esac
  done
  echo "$bin: $(echo $dlls)"
done
exit $status
