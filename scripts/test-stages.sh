#!/usr/bin/env bash
# Runs the stages of `make test` one after another, each to its end even when an earlier one
# failed, and closes with a summary: per stage its tests passed, failed and skipped (counted
# from ctest's lines) and its wall time. Fails when any stage failed.
# Usage: test-stages.sh MAKE STAGE... (a stage "windows" is a build; "test-wine" needs it)
set -uo pipefail
make_cmd=$1
shift
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

declare -A result
summary=()
status=0
start_all=$SECONDS
for stage in "$@"; do
  if [ "$stage" = test-wine ] && [ "${result[windows]:-}" = failed ]; then
    result[$stage]=failed
    summary+=("$(printf '%-12s %-8s %s' "$stage" "not run" "(the Windows build failed)")")
    status=1
    continue
  fi
  echo "=== make $stage"
  start=$SECONDS
  $make_cmd --no-print-directory "$stage" 2>&1 | tee "$logs/$stage.log"
  code=${PIPESTATUS[0]}
  seconds=$((SECONDS - start))
  log="$logs/$stage.log"
  passed=$(grep -cE 'Test +#[0-9]+: .* Passed' "$log")
  failed=$(grep -cE 'Test +#[0-9]+: .*\*\*\*(Failed|Timeout|Exception)' "$log")
  skipped=$(grep -cE 'Test +#[0-9]+: .*(\*\*\*Skipped|\*\*\*Not Run)' "$log")
  if [ "$code" -eq 0 ]; then result[$stage]=passed; else result[$stage]=failed; status=1; fi
  if [ $((passed + failed + skipped)) -eq 0 ]; then
    counts="(build only)"
  else
    counts="$passed passed, $failed failed, $skipped skipped"
  fi
  summary+=("$(printf '%-12s %-8s %-40s %3d:%02d' "$stage" "${result[$stage]}" "$counts" \
    $((seconds / 60)) $((seconds % 60)))")
done

total=$((SECONDS - start_all))
echo
echo "=== make test summary"
printf '%s\n' "${summary[@]}"
printf '%-12s %-8s %-40s %3d:%02d\n' total "$([ $status -eq 0 ] && echo passed || echo failed)" \
  "" $((total / 60)) $((total % 60))
exit $status
