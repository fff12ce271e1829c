#!/usr/bin/env bash
# Installs what is missing, builds, and shows the system: the server from
# build/bin with a demo set of databases (made once; later runs keep them),
# started in the background unless one already answers on the configured
# port, and the user client TAVuser (`scripts/run.sh super`: the
# administration client TAVsuper). When the client ends, a server this
# script started stops. Without a display the server runs in the foreground.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

program=TAVuser
case "${1:-}" in
  "") ;;
  super) program=TAVsuper ;;
  *) echo "usage: scripts/run.sh [super]" >&2; exit 2 ;;
esac

tav_install_packages
tav_build "$TAV_ROOT/build"

bin="$TAV_ROOT/build/bin"
if [ ! -e "$bin/TAVusers.mdb" ]; then
  "$bin/TAVmkdb" "$bin" --demo
fi
if [ ! -e "$bin/TAVserver.ini" ]; then
  printf 'ipaddr=%s\nhostport=%s\n' "${TAV_ADDR:-127.0.0.1}" "${TAV_PORT:-5190}" > "$bin/TAVserver.ini"
fi

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: the clients cannot open a window here. Running the server alone."
  echo "TAVserver listening as configured in $bin/TAVserver.ini; stop it with Ctrl-C or the administration client."
  exec "$bin/TAVserver"
fi

addr=$(sed -n '1s/^[Ii][Pp][Aa][Dd][Dd][Rr]=//p' "$bin/TAVserver.ini" | tr -d '\r ')
port=$(sed -n '2s/^[Hh][Oo][Ss][Tt][Pp][Oo][Rr][Tt]=//p' "$bin/TAVserver.ini" | tr -d '\r ')
# A server listening on every address is reached through loopback.
[ "$addr" = "0.0.0.0" ] && addr=127.0.0.1

answers() { (exec 3<>"/dev/tcp/$addr/$port") 2>/dev/null; }

started=""
if answers; then
  echo "A server already answers on $addr:$port; using it."
else
  "$bin/TAVserver" noecho &
  started=$!
  trap 'kill "$started" 2>/dev/null || true' EXIT
  for _ in $(seq 1 100); do
    answers && break
    if ! kill -0 "$started" 2>/dev/null; then
      echo "TAVserver did not start." >&2
      exit 1
    fi
    sleep 0.1
  done
fi

printf 'ipaddr=%s\nhostport=%s\n' "$addr" "$port" > "$bin/TAVclient.ini"
if [ ! -x "$bin/$program" ]; then
  echo "$program is not built." >&2
  exit 1
fi
"$bin/$program"
