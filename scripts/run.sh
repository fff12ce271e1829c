#!/usr/bin/env bash
# Installs what is missing, builds, and runs the server from build/bin with a
# demo set of databases (made once; later runs keep them).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

tav_install_packages
tav_build "$TAV_ROOT/build"

bin="$TAV_ROOT/build/bin"
if [ ! -e "$bin/TAVusers.mdb" ]; then
  "$bin/TAVmkdb" "$bin" --demo
fi
if [ ! -e "$bin/TAVserver.ini" ]; then
  printf 'ipaddr=%s\nhostport=%s\n' "${TAV_ADDR:-127.0.0.1}" "${TAV_PORT:-5190}" > "$bin/TAVserver.ini"
fi
echo "TAVserver listening as configured in $bin/TAVserver.ini; stop it with Ctrl-C or the administration client."
exec "$bin/TAVserver"
