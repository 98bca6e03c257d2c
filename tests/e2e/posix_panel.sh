#!/usr/bin/env bash
# XScreenSaver's settings panel: the descriptor is well-formed, its defaults
# are the program's first-run settings, every option it can pass is accepted,
# a value reaches the scene, and no run with options changes the settings file.
# Usage: posix_panel.sh <path of meadowglow>
source "$(dirname "$0")/lib.sh"
PROG="${1:?usage: $0 <meadowglow>}"
[ -x "$PROG" ] || fail "no program at $PROG"
DESC="${MG_SOURCE_DIR:-$(dirname "$0")/../..}/packaging/linux/meadowglow.xml"
command -v xmllint >/dev/null || skip "xmllint is not installed (libxml2-utils)"
xmllint --noout "$DESC" || fail "the descriptor is not well-formed XML"
e2e_init 320x240

bench() { "$PROG" --bench --frames 2 --size 64x48 "$@"; }

# The first run makes the settings file with the defaults.
bench >"$E2E_TMP/first.out" 2>&1 || fail "a plain benchmark failed: $(cat "$E2E_TMP/first.out")"
SETTINGS="$MEADOWGLOW_HOME/Meadowglow.xml"
[ -f "$SETTINGS" ] || fail "the first run made no settings file"
grep -qx "critters: 100" "$E2E_TMP/first.out" || fail "the first run's scene: $(grep critters "$E2E_TMP/first.out")"

# Every argument the panel can pass, one per line; the descriptor's defaults
# against the first-run file (python3 fails on a mismatch).
python3 - "$DESC" "$SETTINGS" >"$E2E_TMP/args" <<'PY' || fail "the descriptor's defaults are not the program's"
import re, sys, xml.etree.ElementTree as ET
desc = ET.parse(sys.argv[1]).getroot()
config = open(sys.argv[2], encoding="latin-1").read()
def tag(section, key):
    body = re.search(r"<%s>(.*?)</%s>" % (section, section), config, re.S).group(1)
    return re.search(r"<%s>(.*?)</%s>" % (key, key), body, re.S).group(1)
# option word -> where its setting lives in the file
where = {"critters": ("Critters", "NumCritters"), "period": ("General", "SaverSpeed"),
         "ladybugs": ("Critters", "LadyBugs"), "worms": ("Critters", "WiggleWorms"),
         "bees": ("Critters", "BuzzzyBees"), "stars": ("Stars", "Enabled"), "fog": ("Fog", "Enabled"),
         "date": ("DateTime", "DisplayDate"), "time": ("DateTime", "DisplayTime"),
         "countdown": ("DateTime", "EnableCountDown"), "critter-size": ("Critters", "Size"),
         "critter-speed": ("Critters", "Speed"), "star-scheme": ("Stars", "ColorScheme")}
seen = set()
def word(arg):
    w = arg.split()[0].lstrip("-")
    return w[3:] if w.startswith("no-") else w
for n in desc.iter("number"):
    w = word(n.get("arg")); seen.add(w)
    assert n.get("default") == tag(*where[w]), (w, n.get("default"), tag(*where[w]))
    for v in (n.get("low"), n.get("high"), n.get("default")):
        print(n.get("arg").replace("%", v))
for b in desc.iter("boolean"):
    arg = b.get("arg-set") or b.get("arg-unset")
    w = word(arg); seen.add(w)
    # arg-set: the option is off until ticked; arg-unset: on until cleared.
    assert tag(*where[w]) == ("false" if b.get("arg-set") else "true"), (w, tag(*where[w]))
    print(arg)
for s in desc.iter("select"):
    unset = [o for o in s.iter("option") if not o.get("arg-set")]
    assert len(unset) == 1, s.get("id")
    values = {}
    for o in s.iter("option"):
        if o.get("arg-set"):
            w, v = o.get("arg-set").split()
            values[v] = w
            print(o.get("arg-set"))
    w = word(next(iter(values.values()))); seen.add(w)
    # The option without an argument stands for the default.
    assert tag(*where[w]) not in values, (w, tag(*where[w]))
assert seen == set(where), sorted(set(where) - seen)
PY
BEFORE="$E2E_TMP/before.xml"
cp "$SETTINGS" "$BEFORE"
count=0
while IFS= read -r arg; do
  # shellcheck disable=SC2086
  bench $arg >"$E2E_TMP/run.out" 2>&1 || fail "'$arg' was refused: $(cat "$E2E_TMP/run.out")"
  cmp -s "$SETTINGS" "$BEFORE" || fail "a run with '$arg' changed the settings file"
  count=$((count + 1))
done <"$E2E_TMP/args"
[ "$count" -gt 20 ] || fail "only $count arguments in the descriptor"
note "$count panel arguments accepted, the settings file unchanged"

# The value reaches the scene, in either dash form and beside the others.
while IFS='|' read -r args expected; do
  # shellcheck disable=SC2086
  bench $args >"$E2E_TMP/run.out" 2>&1 || fail "'$args' failed: $(cat "$E2E_TMP/run.out")"
  grep -qx "critters: $expected" "$E2E_TMP/run.out" || fail "'$args' ran with $(grep critters: "$E2E_TMP/run.out")"
done <<'TABLE'
--critters 7|7
-critters 2000|2000
--critters 0|0
--no-ladybugs --critters 33 --fog --star-scheme 4|33
TABLE

# A value out of range is refused with its range, and nothing is run.
bench --critters 50001 >"$E2E_TMP/run.out" 2>&1 && fail "--critters 50001 was accepted"
grep -q "needs a number from 0 to 50000" "$E2E_TMP/run.out" || fail "no range for 50001: $(cat "$E2E_TMP/run.out")"

# As XScreenSaver runs it: in a window, with options, until a signal.
start_bg HOST "$PROG" --root --critters 5 --no-bees --stars --fog --time
sleep 2
expect_running "$HOST" "the -root run with options"
kill -TERM "$HOST"
expect_exit "$HOST" 5000 0 "the -root run with options after SIGTERM"
cmp -s "$SETTINGS" "$BEFORE" || fail "the -root run with options changed the settings file"
exit 0
