#!/usr/bin/env bash
# Installing on Linux: `cmake --install` into a staging folder puts every file
# where the docs say, and the staged program finds its art there; the Debian
# package holds the same files, installs with dpkg into this machine's hack
# folder (root only) and goes away again with `dpkg -r`.
# Usage: posix_install.sh <path of meadowglow>
source "$(dirname "$0")/lib.sh"
BUILD="${MG_BUILD_DIR:?MG_BUILD_DIR is not set}"
[ -f "$BUILD/cmake_install.cmake" ] || fail "no CMake build folder at $BUILD"
e2e_init 800x600

ART=(ladybug0.bmp ladybug1.bmp wormbug0.bmp wormbug1.bmp beebug0.bmp beebug1.bmp Email_A.bmp Email_B.bmp
  critterpic1.jpg critterpic2.jpg critterpic3.jpg critterpic4.jpg critterpic5.jpg critterpic6.jpg
  critterpic7.jpg critterpic8.jpg critterpic9.jpg critterpic10.jpg Help.htm)
# Every installed file, relative to the prefix.
EXPECTED=(libexec/xscreensaver/meadowglow libexec/xscreensaver/meadowglow-fetch share/xscreensaver/config/meadowglow.xml
  bin/meadowglow-settings share/applications/meadowglow-settings.desktop)
for a in "${ART[@]}"; do EXPECTED+=("share/meadowglow/$a"); done
for s in 16 22 24 32 48 64 128 256; do EXPECTED+=("share/icons/hicolor/${s}x${s}/apps/meadowglow.png"); done

STAGE="$E2E_TMP/stage"
cmake --install "$BUILD" --prefix "$STAGE" >"$E2E_TMP/install.log" 2>&1 || fail "cmake --install: $(cat "$E2E_TMP/install.log")"
for f in "${EXPECTED[@]}"; do [ -f "$STAGE/$f" ] || fail "cmake --install did not place $f"; done
[ -x "$STAGE/libexec/xscreensaver/meadowglow" ] || fail "the installed program is not executable"
extra="$(cd "$STAGE" && find . -type f | sed 's|^\./||' | sort | comm -23 - <(printf '%s\n' "${EXPECTED[@]}" | sort))"
[ -z "$extra" ] || fail "cmake --install placed files nobody documented: $extra"
python3 - "$STAGE/share/xscreensaver/config/meadowglow.xml" <<'PY' || fail "the hack descriptor is not what XScreenSaver reads"
import sys, xml.etree.ElementTree as ET
root = ET.parse(sys.argv[1]).getroot()
assert root.tag == "screensaver" and root.get("name") == "meadowglow" and root.get("_label"), root.attrib
assert root.find("command").get("arg") == "--root"
assert len(root.find("_description").text.strip()) > 40
# The panel's controls, each bound to an option.
controls = list(root.iter("number")) + list(root.iter("boolean")) + list(root.iter("select"))
assert len(controls) >= 10, len(controls)
for c in controls:
    assert c.get("id") and (c.tag == "select" or c.get("_label")), c.attrib
    if c.tag == "number":
        assert "%" in c.get("arg", "") and c.get("type") == "slider", c.attrib
        assert int(c.get("low")) <= int(c.get("default")) <= int(c.get("high")), c.attrib
    if c.tag == "boolean":
        assert bool(c.get("arg-set")) != bool(c.get("arg-unset")), c.attrib
PY
grep -qx 'Name=Meadowglow Settings' "$STAGE/share/applications/meadowglow-settings.desktop" &&
  grep -qx 'Icon=meadowglow' "$STAGE/share/applications/meadowglow-settings.desktop" ||
  fail "the menu entry does not name the settings program and its icon"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$STAGE/share/applications/meadowglow-settings.desktop" || fail "the menu entry is not valid"
fi
for s in 16 48 256; do
  [ "$(identify -format '%wx%h' "$STAGE/share/icons/hicolor/${s}x${s}/apps/meadowglow.png")" = "${s}x${s}" ] ||
    fail "the ${s}x${s} icon has another size"
done
# The staged saver's "/c" starts the staged settings program, whose preview
# runs the staged saver.
start_bg STAGED "$STAGE/libexec/xscreensaver/meadowglow" /c
wait_window "$SETTINGS_CAPTION" 20 >/dev/null
[ "$(readlink "/proc/$STAGED/exe")" = "$STAGE/bin/meadowglow-settings" ] ||
  fail "'/c' runs $(readlink "/proc/$STAGED/exe"), not the staged settings program"
deadline=$(( $(now_ms) + 10000 ))
until pgrep -f "^$STAGE/bin/+\.\./libexec/xscreensaver/meadowglow -window-id" >/dev/null || [ "$(now_ms)" -ge "$deadline" ]; do
  sleep 0.1
done
pgrep -f "^$STAGE/bin/+\.\./libexec/xscreensaver/meadowglow -window-id" >/dev/null ||
  fail "the staged settings program runs no preview of the staged saver: $(pgrep -a meadowglow)"
kill -TERM "$STAGED"
expect_exit "$STAGED" 5000 143 "the staged settings program, SIGTERM"
note "cmake --install: ${#EXPECTED[@]} files where documented"

# The staged program, as XScreenSaver starts it, copies its art from
# share/meadowglow/ into the user's folder on first start and draws.
start_bg SAVER "$STAGE/libexec/xscreensaver/meadowglow" --root
deadline=$(( $(now_ms) + 10000 ))
until [ -f "$MEADOWGLOW_HOME/Help.htm" ] || [ "$(now_ms)" -ge "$deadline" ]; do sleep 0.1; done
for a in "${ART[@]}"; do [ -f "$MEADOWGLOW_HOME/$a" ] || fail "first start did not copy $a from share/meadowglow/"; done
sleep 1
expect_running "$SAVER" "the staged program ended on its own"
kill -TERM "$SAVER"
expect_exit "$SAVER" 5000 0 "the staged program, SIGTERM"

# The Debian package.
command -v cpack >/dev/null && command -v dpkg-deb >/dev/null || skip "no cpack or dpkg-deb"
(cd "$E2E_TMP" && cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$E2E_TMP/pkg") >"$E2E_TMP/cpack.log" 2>&1 ||
  fail "cpack: $(tail -20 "$E2E_TMP/cpack.log")"
DEB="$(ls "$E2E_TMP"/pkg/meadowglow_*.deb 2>/dev/null | head -n1)"
[ -f "$DEB" ] || fail "cpack made no .deb: $(ls "$E2E_TMP/pkg")"
listing="$(dpkg-deb -c "$DEB")"
for f in "${EXPECTED[@]}"; do echo "$listing" | grep -q "\./usr/$f\$" || fail "the package lacks /usr/$f"; done
dpkg-deb -f "$DEB" Depends | grep -q libcurl || fail "the package does not depend on the libraries it links"
dpkg-deb -f "$DEB" Depends | grep -q libsdl2 || fail "the package does not depend on SDL, which it loads for sound"
for lib in libfontconfig1 libfreetype6 libnettle8 libcdio19; do
  dpkg-deb -f "$DEB" Depends | grep -q "$lib" || fail "the package does not depend on $lib, which it loads when first needed"
done
dpkg-deb -f "$DEB" Depends | grep -q libgtk-3-0 || fail "the package does not depend on GTK 3 for its settings program"
note "package $(basename "$DEB"): every file under /usr"

[ "$(id -u)" = 0 ] || skip "not root: the package is built and checked, not installed"
dpkg -s meadowglow >/dev/null 2>&1 && skip "a meadowglow package is already installed on this machine; left alone"
# dpkg takes one lock machine-wide: wait for it rather than fail when apt runs.
dpkg_retry() {
  local i
  for i in $(seq 60); do
    "$@" >>"$E2E_TMP/dpkg.log" 2>&1 && return 0
    grep -q "lock" "$E2E_TMP/dpkg.log" || return 1
    sleep 1
  done
  return 1
}
installed=0
remove_package() { [ "$installed" = 1 ] && dpkg_retry dpkg -r meadowglow; installed=0; }
trap 'remove_package; e2e_cleanup' EXIT
dpkg_retry dpkg -i "$DEB" || fail "dpkg -i: $(tail -5 "$E2E_TMP/dpkg.log")"
installed=1
for f in "${EXPECTED[@]}"; do [ -f "/usr/$f" ] || fail "dpkg -i did not place /usr/$f"; done
"/usr/libexec/xscreensaver/meadowglow" --no-such-option >"$E2E_TMP/usage.out" 2>&1
[ $? -eq 1 ] && grep -q "usage:" "$E2E_TMP/usage.out" || fail "the installed program does not run: $(cat "$E2E_TMP/usage.out")"
dpkg_retry dpkg -r meadowglow || fail "dpkg -r: $(tail -5 "$E2E_TMP/dpkg.log")"
installed=0
for f in "${EXPECTED[@]}"; do [ -e "/usr/$f" ] && fail "dpkg -r left /usr/$f"; done
[ -e /usr/share/meadowglow ] && fail "dpkg -r left /usr/share/meadowglow"
note "dpkg -i placed every file in /usr; dpkg -r removed them"
exit 0
