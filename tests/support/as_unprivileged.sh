#!/usr/bin/env bash
# Runs a test program as an unprivileged user. Permission tests are meaningless as root, which CI
# is; as anyone else the normal test run has already covered them.
set -euo pipefail
if [ "$(id -u)" -ne 0 ]; then
  echo "not root: the permission tests ran in the normal test run"
  exit 77
fi
exec setpriv --reuid=65534 --regid=65534 --clear-groups --reset-env -- env HOME=/tmp "$@"
