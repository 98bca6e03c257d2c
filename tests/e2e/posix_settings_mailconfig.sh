#!/usr/bin/env bash
# One settings file for both platforms, with the Linux settings program as the
# Linux side: accounts added through its e-mail page are read by the Windows
# build (under Wine) with the same servers, user names, passwords and
# intervals, and stored in the very bytes the Windows build writes for them;
# accounts the Windows build saved show in the page with their server and
# user name, and survive an Update there unchanged. Needs the Windows build
# tree (MG_WINDOWS_BUILD_DIR, else build/windows beside the sources);
# skipped (77) without it.
# Usage: posix_settings_mailconfig.sh <path of meadowglow>
source "$(dirname "$0")/lib.sh"
WIN_BUILD="${MG_WINDOWS_BUILD_DIR:-${MG_SOURCE_DIR:?}/build/windows}"
WIN_TOOL="$WIN_BUILD/mg_mailconfig.exe"
LINUX_TOOL="${MG_BUILD_DIR:?}/mg_mailconfig"
[ -x "$LINUX_TOOL" ] || fail "no $LINUX_TOOL"
[ -f "$WIN_TOOL" ] || skip "no Windows build at $WIN_TOOL"
python3 -c 'import tkinter' 2>/dev/null || skip "python3's tkinter (to read the clipboard) is missing"
e2e_init 1280x1024
wine_init

MAIN="${MEADOWGLOW_HOME%/}/Meadowglow.xml"
MAIL="E-mail"
open_mail() {
  WIN="$(settings_open_page "$MAIL")" || fail "the e-mail page did not open"
  [ -n "$WIN" ] || fail "the e-mail page did not open"
  sleep 0.3
}
click_ok() {
  eval "$(xdotool getwindowgeometry --shell "$WIN" | grep -E '^(WIDTH|HEIGHT)=')"
  xdotool mousemove --window "$WIN" $((WIDTH - 24)) $((HEIGHT - 20)) click 1
  wait_gone "$MAIL" 50 "the e-mail page did not close"
}
# From the page's first control: 13 Tabs to the server field; then come the
# interval, the user name, the password, Add, Remove, Update, Test and the list.
to_server() { gtk_keys "$WIN" Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab Tab; }
replace_text() { gtk_keys "$WIN" ctrl+a; gtk_type "$WIN" "$1"; }
# The focused field's text, through the clipboard as a user would copy it.
copied() {
  gtk_keys "$WIN" ctrl+a ctrl+c
  python3 -c 'import tkinter; r = tkinter.Tk(); r.withdraw(); print(r.clipboard_get())'
}
windows_read() {
  local dir
  dir="$(winepath -w "$1" 2>/dev/null)"
  [ -n "$dir" ] || fail "winepath gave no path for $1"
  "$WINE" "$WIN_TOOL" read "$dir" | tr -d '\r'
}
email_section() { tr -d '\r' <"$1" | sed -n '/<Email>/,/<\/Email>/p'; }

# server | user name | password | interval; the intervals are ones the page
# offers (each account here one step further down the list than the last).
GTK_ACCOUNTS=(pop.example.com alice 'Pa55 word!' 10
              '127.0.0.1:1110' 'bob@example.com' '<Y>&"x y"</Y>' 15
              mail.example.org 'Zoe Q. Public' 'p@ss:w0rd;#%' 20)
WIN_ACCOUNTS=(pop3s://imap.example.net:995 'carol' 'c4r0l & co' 1
              'pop3://mail.example.com+stls' 'dave@example.com' ' spaced pass ' 240
              '10.0.0.7:2110' 'Eve Example' '#%;:<>' 45)
lines() {
  local -n list=$1
  local i
  for ((i = 0; i < ${#list[@]}; i += 4)); do
    printf '%s|%s|%s|%s\n' "${list[i]}" "${list[i+1]}" "${list[i+2]}" "${list[i+3]}"
  done
}

note "accounts added in the settings program, read by the Windows build"
settings_start
open_mail
to_server
for ((i = 0; i < ${#GTK_ACCOUNTS[@]}; i += 4)); do
  replace_text "${GTK_ACCOUNTS[i]}"
  # The interval: one entry further down for each account after the first.
  if [ "$i" -eq 0 ]; then gtk_keys "$WIN" Tab; else gtk_keys "$WIN" Tab Down; fi
  gtk_keys "$WIN" Tab
  replace_text "${GTK_ACCOUNTS[i+1]}"
  gtk_keys "$WIN" Tab
  replace_text "${GTK_ACCOUNTS[i+2]}"
  gtk_keys "$WIN" Tab space
  # From Add back to the server field.
  gtk_keys "$WIN" shift+Tab shift+Tab shift+Tab shift+Tab
done
click_ok
mkdir -p "$E2E_TMP/fromgtk" "$E2E_TMP/fromwin" "$E2E_TMP/fromlinuxtool"
cp "$MAIN" "$E2E_TMP/fromgtk/Meadowglow.xml"
cp "${MEADOWGLOW_HOME%/}/shared/Shared.xml" "$E2E_TMP/fromgtk/Shared.xml"
grep -q alice "$MAIN" && fail "a user name is stored as plain text"
windows_read "$E2E_TMP/fromgtk" >"$E2E_TMP/win-read.txt" || fail "the Windows build could not load the file"
diff <(lines GTK_ACCOUNTS) "$E2E_TMP/win-read.txt" ||
  fail "the Windows build read other accounts than the settings program saved"
"$WINE" "$WIN_TOOL" write "$(winepath -w "$E2E_TMP/fromwin")" "${GTK_ACCOUNTS[@]}" || fail "the Windows build could not save"
cmp -s <(email_section "$E2E_TMP/fromgtk/Meadowglow.xml") <(email_section "$E2E_TMP/fromwin/Meadowglow.xml") ||
  fail "the settings program stores the accounts in other bytes than the Windows build:
$(diff <(email_section "$E2E_TMP/fromgtk/Meadowglow.xml") <(email_section "$E2E_TMP/fromwin/Meadowglow.xml"))"
kill "$SETTINGS" 2>/dev/null
wait "$SETTINGS" 2>/dev/null

note "accounts the Windows build saved, shown and updated in the settings program"
rm -f "$E2E_TMP/fromwin/Meadowglow.xml"
"$WINE" "$WIN_TOOL" write "$(winepath -w "$E2E_TMP/fromwin")" "${WIN_ACCOUNTS[@]}" || fail "the Windows build could not save"
cp "$E2E_TMP/fromwin/Meadowglow.xml" "$MAIN"
cp "$E2E_TMP/fromwin/Shared.xml" "$MEADOWGLOW_HOME/Shared.xml"
settings_start
open_mail
for ((i = 0; i < ${#WIN_ACCOUNTS[@]}; i += 4)); do
  [ "$i" -eq 0 ] || open_mail
  # Into the list (the first line is selected then), down to the account.
  to_server
  gtk_keys "$WIN" Tab Tab Tab Tab Tab Tab Tab Tab
  for ((k = 0; k < i / 4; k++)); do gtk_keys "$WIN" Down; done
  # Back to the server field the selection filled, then the user name.
  gtk_keys "$WIN" shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab shift+Tab
  got="$(copied)"
  [ "$got" = "${WIN_ACCOUNTS[i]}" ] || fail "account $((i / 4)) shows the server '$got', not '${WIN_ACCOUNTS[i]}'"
  gtk_keys "$WIN" Tab Tab
  got="$(copied)"
  [ "$got" = "${WIN_ACCOUNTS[i+1]}" ] || fail "account $((i / 4)) shows the user '$got', not '${WIN_ACCOUNTS[i+1]}'"
  # Update from the fields as they were filled: nothing may change.
  gtk_keys "$WIN" Tab Tab Tab Tab space
  click_ok
done
windows_read "$MEADOWGLOW_HOME" >"$E2E_TMP/win-read2.txt" || fail "the Windows build could not load the updated file"
expected_win() {
  # Update takes the interval the page shows: 1, 240 and 45 are all offered.
  lines WIN_ACCOUNTS
}
diff <(expected_win) "$E2E_TMP/win-read2.txt" ||
  fail "the accounts changed on their way through the settings program"
"$LINUX_TOOL" read "$MEADOWGLOW_HOME" >"$E2E_TMP/linux-read.txt" || fail "the Linux build could not load the file"
diff <(expected_win) "$E2E_TMP/linux-read.txt" || fail "the Linux build read other accounts"
note "accounts carried both ways through the settings program unchanged"
exit 0
