#!/usr/bin/env bash
# Runs a test program as an unprivileged user. Permission tests are meaningless as root, which CI
# is; as anyone else the normal test run has already covered them.
set -euo pipefail
if [ "$(id -u)" -ne 0 ]; then
  echo "not root: the permission tests ran in the normal test run"
  exit 77
fi
# The build folder may lie where the unprivileged user cannot reach (a checkout under /root):
# run a copy of the program from a folder of its own.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
cp "$1" "$work/program"
shift
setpriv --reuid=65534 --regid=65534 --clear-groups --reset-env -- env HOME=/tmp "$work/program" "$@"
