#!/usr/bin/env bash
# Builds the libFuzzer programs with clang (AddressSanitizer and UndefinedBehaviorSanitizer) and
# runs each for the given number of executions (default 10,000,000), growing the corpus kept in
# fuzz/corpus/NAME. Usage: scripts/fuzz.sh [RUNS] [TARGET...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-10000000}
shift || true
build=$root/build-fuzz
# clang and its libFuzzer runtime, from Debian, when they are missing.
missing=()
for pkg in clang libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done
if ((${#missing[@]})); then
  sudo_cmd=""
  [[ $(id -u) -ne 0 ]] && sudo_cmd="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DHORODEX_FUZZ=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=()
  for f in "$build"/bin/fuzz_*; do targets+=("${f##*/fuzz_}"); done
fi
# Inputs of a handful of records (a 512-byte time file holds 16 punches): longer ones only repeat
# what shorter ones cover, and slow the run down.
max_len_of() {
  case $1 in
    settings) echo 256 ;;
    *) echo 512 ;;
  esac
}
failed=()
for t in "${targets[@]}"; do
  corpus=$root/fuzz/corpus/$t
  rm -rf "$build/new-$t"
  mkdir -p "$corpus" "$build/new-$t"
  echo "== $t: $runs runs"
  # The whole output goes to build-fuzz/fuzz-NAME.log, so a long run's progress can be followed.
  # A finding stops the fuzzer with a non-zero status and a crash-*/oom-* file in the current folder.
  status=0
  "$build/bin/fuzz_$t" -runs="$runs" -max_len="$(max_len_of "$t")" -print_final_stats=1 \
    "$build/new-$t" "$corpus" 2>&1 | tee "$build/fuzz-$t.log" |
    { grep -E 'stat::|Done|ERROR|SUMMARY' || true; } || status=$?
  if ((status != 0)); then failed+=("$t"); fi
  # Keep a small corpus: merge what the run found into the kept one.
  "$build/bin/fuzz_$t" -merge=1 "$corpus" "$build/new-$t" >/dev/null 2>&1 || true
  rm -rf "$build/new-$t"
done
if ((${#failed[@]} > 0)); then
  echo "fuzz.sh: findings in: ${failed[*]} (see build-fuzz/fuzz-NAME.log)" >&2
  exit 1
fi
