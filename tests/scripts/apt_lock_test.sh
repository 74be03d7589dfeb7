#!/usr/bin/env bash
# The install step of run.sh and test.sh waits while another install holds the
# package manager's lock and gives up on any other failure at once. apt-get is
# stood in for by a script that answers from a queue of outcomes.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$ROOT/scripts/common.sh"

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fake="$work/apt-get"
cat >"$fake" <<'FAKE'
#!/usr/bin/env bash
# Each call takes the first line of the queue: "lock", "fail" or "ok".
echo "$*" >>"$FAKE_DIR/calls"
outcome="$(head -n1 "$FAKE_DIR/queue")"
sed -i 1d "$FAKE_DIR/queue"
case "$outcome" in
lock) echo "E: Could not get lock /var/lib/apt/lists/lock. It is held by process 4242 (apt-get)"; exit 100 ;;
fail) echo "E: Unable to locate package no-such-package"; exit 100 ;;
*) echo "Done"; exit 0 ;;
esac
FAKE
chmod +x "$fake"
export FAKE_DIR="$work"
APT_GET="$fake"
APT_LOCK_RETRY_SECONDS=0

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

run_case() { # queue... ; sets calls and status
    printf '%s\n' "$@" >"$work/queue"
    : >"$work/calls"
    status=0
    apt_get update >/dev/null 2>&1 || status=$?
    calls=$(wc -l <"$work/calls")
}

# Locked twice by another install, then free: three calls, success.
APT_LOCK_WAIT_SECONDS=600
run_case lock lock ok
[ "$status" -eq 0 ] || fail "a lock that is freed must not fail the install (status $status)"
[ "$calls" -eq 3 ] || fail "expected 3 calls while waiting for the lock, got $calls"
grep -q -- "-o DPkg::Lock::Timeout=600 update" "$work/calls" || fail "dpkg's own lock wait is not asked for"

# Any other failure: reported at once, not retried.
run_case fail ok
[ "$status" -ne 0 ] || fail "a failed install must fail the script"
[ "$calls" -eq 1 ] || fail "a failure that is no lock was retried ($calls calls)"

# A lock that is never freed: given up after the wait, with the failure.
APT_LOCK_WAIT_SECONDS=0
run_case lock ok
[ "$status" -ne 0 ] || fail "a lock held past the wait must fail the install"
[ "$calls" -eq 1 ] || fail "expected to give up after one call with no wait left, got $calls"

echo "PASS"
