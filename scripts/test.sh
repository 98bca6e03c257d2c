#!/usr/bin/env bash
# Installs what is needed, builds both programs and runs every test:
# the Linux suite natively, the Windows suite under Wine, then the Linux suite
# again with the address and undefined-behaviour sanitizers.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh" || exit 1
"$root/scripts/build.sh" linux windows linux-asan || exit 1
cd "$root"
status=0
ctest --preset linux --output-on-failure || status=1
ctest --preset windows --output-on-failure || status=1
ctest --preset linux-asan --output-on-failure || status=1
exit $status
