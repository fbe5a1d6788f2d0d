#!/usr/bin/env bash
# Builds Varnel three ways and runs every test:
#   build/       release build, all tests (GUI smoke tests on Qt's offscreen platform)
#   build-asan/  AddressSanitizer + UndefinedBehaviorSanitizer, all tests
#   build-tsan/  ThreadSanitizer without the GUI, the threaded parts (serial, toolkit, link, emulator)
# Installs missing packages first. Exits non-zero when any stage fails; later
# stages still run so that one report shows everything.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
# shellcheck source=scripts/lib.sh
source scripts/lib.sh

readonly JOBS=2
readonly CTEST_ARGS=(--output-on-failure -j"$JOBS" --timeout 300)
readonly TSAN_LABELS='^(serial|toolkit|link|emulator)$'
# Sanitizer builds are unoptimised, as the developers build them: GCC 12's
# optimiser raises false -Wnull-dereference and -Wrestrict warnings in library
# code that -Werror would turn into failures unrelated to the sanitizers.
# Line tables alone keep the stack traces exact and the links quick.
readonly SANITIZER_FLAGS=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DVARNEL_BUILD_BENCH=OFF)

script_start=$(date +%s)
failures=()
total_passed=0
total_failed=0
summary=()

stage_start=0
begin_stage() {
  stage_start=$(date +%s)
  echo
  echo "================ $1"
}
end_stage() { # <name> <status>
  local elapsed=$(($(date +%s) - stage_start))
  local result=ok
  if [[ $2 -ne 0 ]]; then
    result=FAILED
    failures+=("$1")
  fi
  summary+=("$(printf '%-34s %-7s %s' "$1" "$result" "$(varnel_format_seconds "$elapsed")")")
  echo "================ $1: $result in $(varnel_format_seconds "$elapsed")"
}

# Adds the counts of ctest's closing line to the totals.
count_results() { # <log file>
  local line passed failed all
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$1" | tail -n 1 || true)
  if [[ -n "$line" ]]; then
    failed=$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$line")
    all=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
    passed=$((all - failed))
    total_passed=$((total_passed + passed))
    total_failed=$((total_failed + failed))
  fi
}

# run_ctest <stage> <build dir> <ctest options...>
run_ctest() {
  local name=$1 dir=$2
  shift 2
  local log status=0
  log=$(mktemp)
  begin_stage "$name"
  "${RUN_PREFIX[@]}" ctest --test-dir "$dir" "${CTEST_ARGS[@]}" "$@" 2>&1 | tee "$log" || status=$?
  count_results "$log"
  rm -f "$log"
  end_stage "$name" "$status"
}

# build_stage <stage> <build dir> <cmake options...>; returns the build's status.
build_stage() {
  local name=$1 dir=$2
  shift 2
  local status=0
  begin_stage "$name"
  { varnel_configure "$dir" "$@" && "${RUN_PREFIX[@]}" cmake --build "$dir" -j"$JOBS"; } || status=$?
  end_stage "$name" "$status"
  return "$status"
}

RUN_PREFIX=()

begin_stage "packages"
varnel_ensure_packages
end_stage "packages" 0

# --- normal build -----------------------------------------------------------
if build_stage "build (release)" build -DCMAKE_BUILD_TYPE=Release; then
  QT_QPA_PLATFORM=offscreen run_ctest "tests (release)" build --no-tests=error
fi

# --- AddressSanitizer + UndefinedBehaviorSanitizer --------------------------
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:abort_on_error=0:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
if build_stage "build (asan+ubsan)" build-asan -DVARNEL_SANITIZE=address "${SANITIZER_FLAGS[@]}"; then
  QT_QPA_PLATFORM=offscreen run_ctest "tests (asan+ubsan)" build-asan --no-tests=error
fi
unset ASAN_OPTIONS UBSAN_OPTIONS

# --- ThreadSanitizer -------------------------------------------------------
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
# Some kernels randomise the address space more than TSan's memory layout
# allows ("unexpected memory mapping"); then every TSan program, including the
# test discovery at build time, runs without address randomisation.
tsan_probe_dir=$(mktemp -d)
printf 'int main() { return 0; }\n' >"$tsan_probe_dir/probe.cpp"
if c++ -fsanitize=thread "$tsan_probe_dir/probe.cpp" -o "$tsan_probe_dir/probe" 2>/dev/null; then
  if ! "$tsan_probe_dir/probe" >/dev/null 2>&1 && setarch "$(uname -m)" -R "$tsan_probe_dir/probe" >/dev/null 2>&1; then
    echo "== ThreadSanitizer needs address randomisation off on this kernel: using setarch -R"
    RUN_PREFIX=(setarch "$(uname -m)" -R)
  fi
fi
rm -rf "$tsan_probe_dir"
if build_stage "build (tsan)" build-tsan -DVARNEL_SANITIZE=thread -DVARNEL_BUILD_GUI=OFF "${SANITIZER_FLAGS[@]}"; then
  if [[ $(ctest --test-dir build-tsan -N -L "$TSAN_LABELS" | grep -cE '^ *Test +#') -gt 0 ]]; then
    run_ctest "tests (tsan)" build-tsan -L "$TSAN_LABELS"
  else
    echo "== no tests labelled serial, toolkit, link or emulator yet; ThreadSanitizer tests skipped"
  fi
fi
RUN_PREFIX=()

# --- summary ---------------------------------------------------------------
echo
echo "================ summary"
printf '%s\n' "${summary[@]}"
echo "total time $(varnel_format_seconds $(($(date +%s) - script_start)))"
if [[ ${#failures[@]} -gt 0 ]]; then
  echo "failed stages: ${failures[*]}"
fi
echo "Tests: $total_passed passed, $total_failed failed"
[[ ${#failures[@]} -eq 0 ]]
