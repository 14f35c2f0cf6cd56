# Sourced by the shell checks (tests/packages/check-packages.sh, tests/scripts/install-deps-test.sh)
# for one way of running, printing and counting checks:
#   check TITLE FUNCTION [ARGUMENTS]  runs the function in a subshell, which `fail` ends, with its
#                                     output kept; prints the outcome and what the function printed
#   skip TITLE REASON                 says why a check is not run
#   checks_report FILE SUITE          writes the outcome in GoogleTest's report form (scripts/test.sh
#                                     counts those), prints "SUITE: N passed, N failed" and returns
#                                     non-zero when a check failed
# The caller sets `work` to a scratch folder of its own first.

passed=0
failed=0
cases=""
check() {
  local title=$1 log=$work/check.log started=$SECONDS
  shift
  if ("$@") >"$log" 2>&1; then
    passed=$((passed + 1))
    echo "  ok      $title ($((SECONDS - started)) s)"
    sed 's/^/          /' "$log"
    cases="$cases<testcase name=\"$title\"/>"
  else
    failed=$((failed + 1))
    echo "  FAILED  $title ($((SECONDS - started)) s)"
    sed 's/^/          /' "$log"
    cases="$cases<testcase name=\"$title\"><failure message=\"failed\"/></testcase>"
  fi
}
skip() { echo "  skipped $1: $2"; }
fail() {
  echo "$*"
  exit 1
}
checks_report() {
  local file=$1 suite=$2
  mkdir -p "$(dirname "$file")"
  echo "<testsuites tests=\"$((passed + failed))\" failures=\"$failed\" disabled=\"0\" errors=\"0\" name=\"$suite\">" \
    "<testsuite name=\"$suite\" tests=\"$((passed + failed))\" failures=\"$failed\">$cases</testsuite></testsuites>" \
    >"$file"
  echo "$suite: $passed passed, $failed failed"
  [ "$failed" = 0 ]
}
