#!/usr/bin/env bash
# One settings file for both programs: mail accounts saved by the Windows
# build (under Wine) read back by the Linux build with the same servers, user
# names, passwords and intervals, and the other way round. Needs the Windows
# build tree beside the Linux one; skipped (77) without it.
# Usage: posix_mailconfig.sh <path of meadowglow>
source "$(dirname "$0")/lib.sh"
LINUX_TOOL="${MG_BUILD_DIR:?}/mg_mailconfig"
WIN_TOOL="${MG_SOURCE_DIR:?}/build/windows/mg_mailconfig.exe"
[ -x "$LINUX_TOOL" ] || fail "no $LINUX_TOOL"
if [ ! -f "$WIN_TOOL" ]; then
  echo "SKIP: no Windows build at $WIN_TOOL"
  exit 77
fi
e2e_init 640x480
wine_init

ACCOUNTS=(pop.example.com alice 'Pa55 word!' 10
          '127.0.0.1:1110' 'bob@example.com' '<Y>&"x y"</Y>' 0
          mail.example.org 'Zoe Q. Public' 'p@ss:w0rd;#%' 1440)
expected() {
  local i
  for ((i = 0; i < ${#ACCOUNTS[@]}; i += 4)); do
    printf '%s|%s|%s|%s\n' "${ACCOUNTS[i]}" "${ACCOUNTS[i+1]}" "${ACCOUNTS[i+2]}" "${ACCOUNTS[i+3]}"
  done
}

# Windows writes, Linux reads.
mkdir -p "$E2E_TMP/fromwin"
windir="$(WINEPREFIX="$E2E_WINE_PREFIX" winepath -w "$E2E_TMP/fromwin" 2>/dev/null)"
[ -n "$windir" ] || fail "winepath gave no path"
"$WINE" "$WIN_TOOL" write "$windir" "${ACCOUNTS[@]}" || fail "the Windows build could not save"
[ -f "$E2E_TMP/fromwin/Meadowglow.xml" ] || fail "the Windows build wrote no Meadowglow.xml"
grep -q 'alice' "$E2E_TMP/fromwin/Meadowglow.xml" && fail "a user name is stored as plain text"
"$LINUX_TOOL" read "$E2E_TMP/fromwin" >"$E2E_TMP/linux-read.txt" || fail "the Linux build could not load"
diff <(expected) "$E2E_TMP/linux-read.txt" || fail "the Linux build read other accounts than the Windows build saved"

# Linux writes, Windows reads (Wine ends console lines with CR LF).
mkdir -p "$E2E_TMP/fromlinux"
"$LINUX_TOOL" write "$E2E_TMP/fromlinux" "${ACCOUNTS[@]}" || fail "the Linux build could not save"
cmp -s <(sed -n '/<Email>/,/<\/Email>/p' "$E2E_TMP/fromwin/Meadowglow.xml") \
       <(sed -n '/<Email>/,/<\/Email>/p' "$E2E_TMP/fromlinux/Meadowglow.xml") ||
  fail "the two builds store the same accounts differently"
windir="$(WINEPREFIX="$E2E_WINE_PREFIX" winepath -w "$E2E_TMP/fromlinux" 2>/dev/null)"
"$WINE" "$WIN_TOOL" read "$windir" | tr -d '\r' >"$E2E_TMP/win-read.txt" || fail "the Windows build could not load"
diff <(expected) "$E2E_TMP/win-read.txt" || fail "the Windows build read other accounts than the Linux build saved"
note "accounts carried both ways unchanged"
