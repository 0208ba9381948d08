#!/usr/bin/env bash
# Runs a command beside a real Avahi daemon that only this command can see: a private network
# namespace (loopback only) and a private mount namespace with its own /run, so neither the
# machine's own daemon nor its network is touched. Exits 77 (a skip for ctest) with a reason
# where namespaces cannot be made.
set -euo pipefail

if [ "${MB_IN_SANDBOX:-}" != 1 ]; then
    for tool in unshare ip dbus-daemon avahi-daemon; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "SKIP: $tool is not installed, so no private Avahi daemon can be started"
            exit 77
        fi
    done
    if ! unshare -n -m true 2>/dev/null; then
        echo "SKIP: private network and mount namespaces are not allowed here (unshare -n -m failed)"
        exit 77
    fi
    MB_IN_SANDBOX=1 exec unshare -n -m --propagation private "$0" "$@"
fi

ip link set lo up
ip link set lo multicast on
mount -t tmpfs tmpfs /run
mkdir -p /run/dbus /run/avahi-daemon
dbus-daemon --system --fork
cat >/run/avahi-sandbox.conf <<'CONF'
[server]
allow-interfaces=lo
use-ipv4=yes
use-ipv6=no
enable-dbus=yes
[publish]
publish-workstation=no
publish-hinfo=no
[wide-area]
enable-wide-area=no
CONF
avahi-daemon -f /run/avahi-sandbox.conf --no-drop-root --no-chroot --no-rlimits -D
# The daemon forks before it owns its bus name; wait (bounded) until it answers.
for _ in $(seq 100); do
    avahi-daemon -c 2>/dev/null && break
    sleep 0.1
done
if ! avahi-daemon -c 2>/dev/null; then
    echo "FAIL: the private Avahi daemon did not start"
    exit 1
fi
status=0
"$@" || status=$?
avahi-daemon -k 2>/dev/null || true
kill "$(cat /run/dbus/pid 2>/dev/null)" 2>/dev/null || true
exit "$status"
