#!/usr/bin/env bash
# brelix-cli check on the demo medium: clean (exit 0) alone and with the demo
# installation as target, JSON well formed, and the installation untouched.
set -euo pipefail
cli="$1"
root="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

bash "$root/tools/make_demo_medium.sh" "$work/medium" "$work/install" "$cli"
snapshot() { (cd "$work/install" && find . -type f -print0 | sort -z | xargs -0 sha256sum; find . -printf '%p %T@ %m\n' | sort); }
before="$(snapshot)"

run() {
  set +e
  "$cli" check "$@" >"$work/out.txt" 2>&1
  status=$?
  set -e
  cat "$work/out.txt"
}
run "$work/medium" --lang en
[ "$status" = 0 ] || fail "check of the medium: exit $status"
grep -q '^0 error(s), 0 warning(s)$' "$work/out.txt" || fail "summary line"

run "$work/medium" --target "$work/install" --lang en
[ "$status" = 0 ] || fail "check with --target: exit $status"
grep -q 'plan.extract  would extract START2.lzh into' "$work/out.txt" || fail "START2 plan"
grep -q 'plan.template' "$work/out.txt" || fail "template plan"
grep -q 'plan.convert-masters' "$work/out.txt" || fail "conversion plan"

run "$work/medium" --target "$work/install" --json
[ "$status" = 0 ] || fail "check --json: exit $status"
python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); assert d["summary"]["errors"]==0 and d["summary"]["exit_status"]==0' "$work/out.txt" \
  || fail "JSON output"

[ "$(snapshot)" = "$before" ] || fail "the installation changed"
echo "demo medium checks clean"
