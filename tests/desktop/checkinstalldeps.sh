#!/usr/bin/env bash
# scripts/install-deps.sh on a machine where every package is missing, with stand-ins for
# id, dpkg-query, sudo and apt-get: which packages each mode asks for, and what happens
# for a user without root, with and without sudo.
#   checkinstalldeps.sh PATH/TO/install-deps.sh
set -euo pipefail
script="$1"
bash="$(command -v bash)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "checkinstalldeps: $*" >&2; exit 1; }

stubs="$scratch/bin"
mkdir -p "$stubs"
stub() { # NAME BODY
  printf '#!%s\n%s\n' "$bash" "$2" >"$stubs/$1"
  chmod +x "$stubs/$1"
}
stub id 'echo 1000'
stub dpkg-query 'exit 1'
stub apt-get "echo \"apt-get \$*\" >>$scratch/calls"

run() { # ARGS... -> status in $status, output in $scratch/out
  status=0
  PATH="$stubs" "$bash" "$script" "$@" >"$scratch/out" 2>&1 || status=$?
}
has() { grep -qw -- "$1" "$scratch/out"; }

# No root and no sudo: the exact line to run instead, and nothing run.
run --run-only
[ "$status" -eq 1 ] || fail "--run-only without root or sudo ended with $status"
line="$(grep '^apt-get ' "$scratch/out")" || fail "no apt-get line printed: $(cat "$scratch/out")"
[[ "$line" == "apt-get update && apt-get install -y --no-install-recommends "* ]] || fail "unexpected line: $line"
for needed in qt6-base-dev libpoppler-qt6-dev tesseract-ocr-chi-tra fonts-noto-cjk adwaita-icon-theme libqt6svg6; do
  has "$needed" || fail "--run-only does not install $needed"
done
for test_only in xvfb xdotool libgtest-dev libbenchmark-dev desktop-file-utils appstream dpkg-dev; do
  ! has "$test_only" || fail "--run-only installs the test or packaging tool $test_only"
done
[ ! -e "$scratch/calls" ] || fail "apt-get ran without root"

# Everything, as the tests need it: the validators and the packaging tools too.
run
[ "$status" -eq 1 ] || fail "without root or sudo ended with $status"
for needed in qt6-base-dev xvfb desktop-file-utils appstream dpkg-dev; do
  has "$needed" || fail "the full set lacks $needed"
done

# With sudo: apt-get runs through it.
stub sudo "echo \"sudo \$*\" >>$scratch/calls"
run --package
[ "$status" -eq 0 ] || fail "--package with sudo ended with $status: $(cat "$scratch/out")"
grep -q '^sudo apt-get install -y --no-install-recommends .*dpkg-dev' "$scratch/calls" || fail "sudo was not used: $(cat "$scratch/calls")"
! grep -qw xvfb "$scratch/calls" || fail "--package installs test tools"
echo "checkinstalldeps: ok"
