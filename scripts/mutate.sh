#!/usr/bin/env bash
# Mutation check: applies each one-line mutant of tests/mutants.txt to a scratch copy of
# the working tree, rebuilds only the mutant's test, runs it and reports whether the
# test noticed (killed) or not (survived). Slow, so not part of CI: run it before
# closing work on the core's rules.
#
#   scripts/mutate.sh [-j N] [-t SECONDS] [-f FILE] [SELECT...]
#
# SELECT picks mutants: a number or range (3, 5-9) counts mutants in list order; any
# other word is an extended regular expression matched against the mutant's line.
# Without SELECT every mutant runs.
#   -j N        build jobs (default: $JOBS, else 2)
#   -t SECONDS  time limit of one test run (default 300); running out counts as killed
#   -f FILE     mutant list (default tests/mutants.txt)
# The scratch tree and its build live in $MUTATE_DIR (default /tmp/tovik-mutate-$UID) and
# are reused, so only the first run builds everything.
# Exit status: 0 when every selected mutant ran (survivors included), 2 on a runner
# error: a bad list entry, an original text that is missing or not unique, a test that
# fails or does not build without any mutant.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="${JOBS:-2}"
limit=300
list="$root/tests/mutants.txt"
while getopts "j:t:f:h" option; do
  case "$option" in
    j) jobs="$OPTARG" ;;
    t) limit="$OPTARG" ;;
    f) list="$OPTARG" ;;
    *) sed -n '2,21s/^# \{0,1\}//p' "$0"; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
selectors=("$@")

work="${MUTATE_DIR:-/tmp/tovik-mutate-$(id -u)}"
tree="$work/tree"
build="$work/build"
logs="$work/logs"

die() { echo "mutate: $*" >&2; exit 2; }

[ -f "$list" ] || die "no mutant list at $list"
command -v python3 >/dev/null || die "python3 is needed"

# --- The list -----------------------------------------------------------------------

paths=() originals=() mutations=() targets=() lines=()
number=0
lineno=0
while IFS= read -r line || [ -n "$line" ]; do
  lineno=$((lineno + 1))
  case "$line" in ''|'#'*) continue ;; esac
  IFS=$'\t' read -r path original mutated target extra <<<"$line"
  [ -n "$path" ] && [ -n "$original" ] && [ -n "$target" ] && [ -z "${extra:-}" ] \
    || die "$list:$lineno: expected four tab-separated fields"
  [ "$original" != "$mutated" ] || die "$list:$lineno: the mutant changes nothing"
  number=$((number + 1))
  selected=$(( ${#selectors[@]} == 0 ))
  for selector in "${selectors[@]}"; do
    if [[ "$selector" =~ ^([0-9]+)(-([0-9]+))?$ ]]; then
      from="${BASH_REMATCH[1]}"
      to="${BASH_REMATCH[3]:-$from}"
      (( number >= from && number <= to )) && selected=1
    elif grep -Eq -- "$selector" <<<"$line"; then
      selected=1
    fi
  done
  (( selected )) || continue
  paths+=("$path") originals+=("$original") mutations+=("$mutated") targets+=("$target")
  lines+=("$number")
done <"$list"
(( ${#paths[@]} > 0 )) || die "no mutant selected"

# Literal (not pattern) replacement of the one occurrence of ORIGINAL; with ONLY_CHECK
# set, just checks that there is exactly one and prints its line number.
replace() { # FILE ORIGINAL MUTATED
  python3 - "$@" <<'EOF'
import os, sys
path, original, mutated = sys.argv[1:4]
text = open(path, encoding="utf-8").read()
count = text.count(original)
if count != 1:
    sys.exit(f"{path}: the original text occurs {count} times: {original}")
if os.environ.get("ONLY_CHECK"):
    print(text[:text.index(original)].count("\n") + 1)
else:
    open(path, "w", encoding="utf-8").write(text.replace(original, mutated))
EOF
}

where=()
for i in "${!paths[@]}"; do
  [ -f "$root/${paths[$i]}" ] || die "mutant ${lines[$i]}: no file ${paths[$i]}"
  at=$(ONLY_CHECK=1 replace "$root/${paths[$i]}" "${originals[$i]}" "") || die "mutant ${lines[$i]}: see above"
  where+=("${paths[$i]}:$at")
done

# --- The scratch copy ---------------------------------------------------------------

mkdir -p "$tree" "$build" "$logs"
# Copies what differs (tracked and untracked files, uncommitted edits included) and
# removes what is gone, so an interrupted run's mutant cannot linger either. Changed
# files get a fresh time stamp, which is what makes Ninja rebuild them.
sync_tree() {
  local listing="$work/files"
  git -C "$root" ls-files -z --cached --others --exclude-standard >"$listing"
  while IFS= read -r -d '' file; do
    [ -f "$root/$file" ] || continue
    if ! cmp -s "$root/$file" "$tree/$file"; then
      mkdir -p "$(dirname "$tree/$file")"
      cp "$root/$file" "$tree/$file"
    fi
  done <"$listing"
  (cd "$tree" && find . -type f -printf '%P\0') | python3 -c '
import sys
keep = set(open(sys.argv[1], "rb").read().split(b"\0"))
for name in sys.stdin.buffer.read().split(b"\0"):
    if name and name not in keep:
        sys.stdout.buffer.write(name + b"\0")
' "$listing" | (cd "$tree" && xargs -0 -r rm -f)
}
sync_tree

if [ ! -f "$build/build.ninja" ]; then
  echo "configuring $build"
  cmake -S "$tree" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTOVIK_BUILD_BENCH=OFF \
    >"$logs/configure.log" 2>&1 || die "configuring failed, see $logs/configure.log"
fi

build_target() { # TARGET LOG
  cmake --build "$build" -j "$jobs" -t "$1" >"$2" 2>&1
}

test_binary() { # TARGET
  find "$build/tests" -type f -name "$1" -perm -u+x -print -quit
}

run_test() { # TARGET LOG
  local binary
  binary=$(test_binary "$1")
  [ -n "$binary" ] || return 3
  (cd "$(dirname "$binary")" &&
    QT_QPA_PLATFORM=offscreen TOVIK_TEST_DATA="$tree/tests" timeout -k 10 "$limit" "$binary") >"$2" 2>&1
}

# Every test must build and pass as it is, or its mutants would all count as killed.
declare -A baseline=()
for target in "${targets[@]}"; do
  [ -z "${baseline[$target]:-}" ] || continue
  baseline[$target]=1
  echo "baseline: $target"
  build_target "$target" "$logs/$target.build.log" || die "$target does not build, see $logs/$target.build.log"
  [ -n "$(test_binary "$target")" ] || die "$target builds no test executable"
  run_test "$target" "$logs/$target.log" || die "$target fails without any mutant, see $logs/$target.log"
done

# --- The mutants --------------------------------------------------------------------

# The file as it was before the mutant, kept aside: the working tree may change meanwhile.
current=""
restore() {
  if [ -n "$current" ]; then
    cp "$work/pristine" "$tree/$current"
    current=""
  fi
}
trap restore EXIT
trap 'restore; exit 130' INT TERM

killed=0
total=0
for i in "${!paths[@]}"; do
  path="${paths[$i]}" target="${targets[$i]}" n="${lines[$i]}"
  log="$logs/mutant-$n.log"
  cp "$tree/$path" "$work/pristine"
  current="$path"
  replace "$tree/$path" "${originals[$i]}" "${mutations[$i]}" || die "mutant $n: see above"
  if ! build_target "$target" "$log"; then
    verdict="killed" why="does not build"
  else
    status=0
    run_test "$target" "$log" || status=$?
    case "$status" in
      0) verdict="survived" why="$target passed" ;;
      124|137) verdict="killed" why="$target timed out" ;;
      *) verdict="killed" why="$target failed" ;;
    esac
  fi
  restore
  total=$((total + 1))
  [ "$verdict" = killed ] && killed=$((killed + 1))
  printf '%-8s #%-3s %s  %s -> %s  (%s)\n' "$verdict" "$n" "${where[$i]}" "${originals[$i]}" "${mutations[$i]}" "$why"
done

echo "mutation score: $killed/$total killed ($((killed * 100 / total))%)"
