#!/usr/bin/env bash
# Runs every libFuzzer program of a fuzzing build for a while each.
#   tests/fuzz/run.sh BUILD_DIR SECONDS
# Each target starts from its seed corpus and keeps what it learns in
# BUILD_DIR/fuzz-corpus/<target>; inputs that break a target land in
# BUILD_DIR/fuzz-findings/<target>/. Prints the executions per target and
# fails when any target found something.
set -uo pipefail
build=${1:?build folder}
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
status=0
summary=""
for seeds in "$here"/corpus/*/; do
  name=$(basename "$seeds")
  program="$build/bin/$name"
  if [ ! -x "$program" ]; then
    echo "missing fuzz program $program" >&2
    status=1
    continue
  fi
  work="$build/fuzz-corpus/$name"
  findings="$build/fuzz-findings/$name"
  mkdir -p "$work" "$findings"
  log="$build/fuzz-$name.log"
  echo "== $name: ${seconds}s"
  QT_QPA_PLATFORM=offscreen LSAN_OPTIONS="suppressions=$here/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}" "$program" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -max_len=4096 -print_final_stats=1 -artifact_prefix="$findings/" "$work" "$seeds" >"$log" 2>&1
  rc=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [ $rc -ne 0 ]; then
    status=1
    summary+=$(printf '%-24s %12s executions  FOUND SOMETHING (see %s)' "$name" "${runs:-?}" "$log")$'\n'
    tail -40 "$log" >&2
  else
    summary+=$(printf '%-24s %12s executions  ok' "$name" "${runs:-?}")$'\n'
  fi
done
echo
printf '%s' "$summary"
exit $status
