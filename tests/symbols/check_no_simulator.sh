#!/usr/bin/env bash
# Checks that a built program carries no part of the simulator: no archive
# built under sim/ (the simulated machine, the virtual drive, the test ASPI
# manager, the scenario reader) and no object of the simulated clock was an
# input of its link, and, where the program still has its symbol table,
# none of the symbols those archives define is defined in it.
# With --no-loader-store it also checks that the program carries no loader
# store: neither the embedded store's library among its link inputs nor the
# bytes of the test loader set anywhere in the file (norvek-flash uploads
# the loaders of the updater file it is given).
#
#   check_no_simulator.sh --program FILE --map FILE --build-dir DIR
#                         [--nm NM] [--no-loader-store LOADERS_BIN]
set -euo pipefail
nm_tool=nm
loaders=""
while [ $# -gt 0 ]; do
  case $1 in
    --program) program=$2; shift 2 ;;
    --map) map=$2; shift 2 ;;
    --build-dir) build=$2; shift 2 ;;
    --nm) nm_tool=$2; shift 2 ;;
    --no-loader-store) loaders=$2; shift 2 ;;
    *) echo "check_no_simulator: unknown argument $1"; exit 2 ;;
  esac
done
name=$(basename "$program")
for f in "$program" "$map"; do
  [ -f "$f" ] || { echo "check_no_simulator: $f does not exist"; exit 1; }
done
failed=0
fail() { echo "check_no_simulator: $name: $*"; failed=1; }

# The link's inputs, as the linker's map lists them.
inputs=$(sed -n -E 's/^LOAD (.*)$/\1/p' "$map")
[ -n "$inputs" ] || { echo "check_no_simulator: $map lists no link inputs"; exit 1; }
forbidden_inputs='(^|/)sim/|norvek_time_simulated'
[ -n "$loaders" ] && forbidden_inputs="$forbidden_inputs|libnorvek_loader_store\\.a"
while read -r input; do
  fail "linked with $input"
done < <(grep -E "$forbidden_inputs" <<<"$inputs" || true)

# The symbols the simulator's archives define, against the program's own.
mapfile -t archives < <(find "$build/sim" -name '*.a' 2>/dev/null | sort)
[ -n "$loaders" ] && mapfile -t -O "${#archives[@]}" archives < <(find "$build" -name 'libnorvek_loader_store.a')
[ "${#archives[@]}" -gt 0 ] || { echo "check_no_simulator: no simulator archive under $build/sim to compare with"; exit 1; }
program_symbols=$("$nm_tool" --defined-only "$program" 2>/dev/null | awk 'NF == 3 {print $3}' | sort -u || true)
if [ -z "$program_symbols" ]; then
  echo "check_no_simulator: $name has no symbol table (stripped): its link inputs alone were checked"
else
  simulator_symbols=$("$nm_tool" -g --defined-only "${archives[@]}" 2>/dev/null |
    awk 'NF == 3 && $2 ~ /[TDBR]/ {print $3}' | sort -u)
  shared=$(comm -12 <(echo "$program_symbols") <(echo "$simulator_symbols") | sed -n 1,5p)
  [ -z "$shared" ] || fail "defines the simulator's $(tr '\n' ' ' <<<"$shared")"
fi

if [ -n "$loaders" ]; then
  # Thirty-two bytes from the start of each of three loaders of the test
  # set, looked for in the file's bytes as one string of hex digits.
  hex() { od -An -v -tx1 "$@" | tr -d ' \n'; }
  program_hex=$(hex "$program")
  for offset in 0 766 16156; do
    if [[ $program_hex == *"$(hex -j"$offset" -N32 "$loaders")"* ]]; then
      fail "carries the bytes of the loader at offset $offset of $(basename "$loaders")"
    fi
  done
fi

[ "$failed" -eq 0 ] || exit 1
echo "check_no_simulator: $name links no simulator (${#archives[@]} archives compared)${loaders:+ and carries no loader store}"
