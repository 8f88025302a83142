#!/usr/bin/env bash
# The window-module symbol check against this build's own programs and
# modules. app_test holds the check side but exports none of it: the fault
# the check exists for, a library linked into the program and not exported.
#
#   ModuleSymbolsTest.sh CHECK BIN_DIR
set -uo pipefail
check=$1
bin=$2

failures=0
# program, module, expected exit status, a name the report must show (- for none)
while read -r program module expected name; do
  output=$("$check" "$bin/$program" "$bin/$module" 2>&1)
  status=$?
  if [ "$status" -ne "$expected" ] || { [ "$name" != - ] && ! grep -qF -- "$name" <<<"$output"; }; then
    echo "FAIL: $program + $module: exit $status, expected $expected and the name $name in:"
    echo "$output"
    failures=$((failures + 1))
  else
    echo "ok: $program + $module: exit $status"
  fi
done <<'TABLE'
vantrel libvantrel-ui.so 0 -
app_window_module_test libvantrel-test-window-module.so 0 -
app_test libvantrel-ui.so 1 vantrel::ProjectInfo
app_test libvantrel-test-window-module.so 1 vantrel::UpdateState
vantrel no-such-module.so 2 usage
TABLE
[ "$failures" -eq 0 ]
