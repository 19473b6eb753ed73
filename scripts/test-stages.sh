#!/usr/bin/env bash
# Runs the stages of `make test` one after another, each to its end even when an earlier one
# failed, and closes with a summary: per stage the tests run, passed and failed, those not run
# here because this machine lacks an ability (32-bit execution, a leak checker that can stop the
# process), those skipped for other reasons, and its wall time; then each "not run here" reason.
# Fails when something that ran failed, never for what this machine could not run.
#
# A test that cannot run here prints "not run here: <why>" and exits 77 (ctest's skip); a test
# that ran but had to leave out one of its checks prints the same line and passes. The reasons
# are read from each ctest run's LastTest.log, which keeps every test's output.
# Usage: test-stages.sh MAKE STAGE... (a stage "windows" is a build; "test-wine" needs it)
set -uo pipefail
make_cmd=$1
shift
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT

# "test<TAB>reason" for each "not run here:" line in the ctest logs written since STAMP.
not_run_reasons() {
  find . -maxdepth 4 -path '*/Testing/Temporary/LastTest.log' -newer "$1" -print0 2>/dev/null |
    xargs -0 -r awk '
      /^[0-9]+\/[0-9]+ Test: / { sub(/^[0-9]+\/[0-9]+ Test: /, ""); test = $0; next }
      /^not run here: / { sub(/^not run here: /, ""); print test "\t" $0 }'
}

declare -A result
summary=()
reasons=()
status=0
start_all=$SECONDS
row() { printf '%-12s %-7s %5s %7s %7s %13s %8s %6s' "$@"; }
for stage in "$@"; do
  if [ "$stage" = test-wine ] && [ "${result[windows]:-}" = failed ]; then
    result[$stage]=failed
    summary+=("$(row "$stage" "not run" - - - - - -)  (the Windows build failed)")
    status=1
    continue
  fi
  echo "=== make $stage"
  start=$SECONDS
  log="$logs/$stage.log"
  touch "$logs/$stage.stamp"
  $make_cmd --no-print-directory "$stage" 2>&1 | tee "$log"
  code=${PIPESTATUS[0]}
  seconds=$((SECONDS - start))
  passed=$(grep -cE 'Test +#[0-9]+: .* Passed' "$log")
  failed=$(grep -cE 'Test +#[0-9]+: .*\*\*\*(Failed|Timeout|Exception)' "$log")
  not_run_tests=$(grep -E 'Test +#[0-9]+: .*(\*\*\*Skipped|\*\*\*Not Run)' "$log" |
    sed -E 's/.*Test +#[0-9]+: ([^ ]+) .*/\1/')
  if [ "$code" -eq 0 ]; then result[$stage]=passed; else result[$stage]=failed; status=1; fi

  # Skipped tests that gave a "not run here" reason count as not run here; passed ones that gave
  # one ran in part. Reasons are grouped, each with how many tests it kept from running.
  not_run_here=0
  declare -A by_reason=() partly=()
  while IFS=$'\t' read -r test why; do
    [ -n "$test" ] || continue
    if grep -qxF "$test" <<<"$not_run_tests"; then
      by_reason[$why]="${by_reason[$why]:-} $test"
    else
      partly[$why]="${partly[$why]:-} $test"
    fi
  done < <(not_run_reasons "$logs/$stage.stamp" | sort -u)
  for why in "${!by_reason[@]}"; do
    read -ra tests <<<"${by_reason[$why]}"
    not_run_here=$((not_run_here + ${#tests[@]}))
    names="${tests[*]}"
    [ ${#tests[@]} -le 3 ] || names="${tests[0]}, ${tests[1]} and $(( ${#tests[@]} - 2 )) more"
    reasons+=("$stage: ${#tests[@]} test(s) not run ($names): $why")
  done
  for why in "${!partly[@]}"; do
    reasons+=("$stage: run in part (${partly[$why]# }): $why")
  done
  skipped=$(( $(grep -c . <<<"$not_run_tests") - not_run_here ))
  if [ $((passed + failed + skipped + not_run_here)) -eq 0 ]; then
    summary+=("$(row "$stage" "${result[$stage]}" - - - - - "$((seconds / 60)):$(printf %02d $((seconds % 60)))")  (build only)")
  else
    summary+=("$(row "$stage" "${result[$stage]}" $((passed + failed)) "$passed" "$failed" \
      "$not_run_here" "$skipped" "$((seconds / 60)):$(printf %02d $((seconds % 60)))")")
  fi
  unset by_reason partly
done

total=$((SECONDS - start_all))
echo
echo "=== make test summary"
row stage result run passed failed "not run here" skipped time
echo
printf '%s\n' "${summary[@]}"
row total "$([ $status -eq 0 ] && echo passed || echo failed)" "" "" "" "" "" \
  "$((total / 60)):$(printf %02d $((total % 60)))"
echo
if [ ${#reasons[@]} -gt 0 ]; then
  echo
  echo "not run here, and why:"
  printf '  %s\n' "${reasons[@]}"
fi
exit $status
