# Shared by run.sh and test.sh: install what is missing, then configure and build.
set -euo pipefail

TAV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

tav_install_packages() {
  local wanted missing=()
  wanted=$(grep -vE '^\s*(#|$)' "$TAV_ROOT/scripts/packages.txt")
  for p in $wanted; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  echo "Installing: ${missing[*]}"
  local sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# tav_build DIR [extra cmake args...] [-- targets...]: everything, or only
# the targets named after "--" (and what they need).
tav_build() {
  local dir="$1"; shift
  local args=() targets=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do args+=("$1"); shift; done
  [ $# -gt 0 ] && shift
  for t in "$@"; do targets+=(--target "$t"); done
  cmake -S "$TAV_ROOT" -B "$dir" -G Ninja "${args[@]}"
  cmake --build "$dir" --parallel "${targets[@]}"
}

# tav_phase NAME COMMAND...: runs one phase of the suite and keeps its time;
# a failing phase ends the script with the summary so far.
TAV_PHASES=()
tav_phase() {
  local name="$1"; shift
  local start=$SECONDS rc=0
  echo "==== $name"
  "$@" || rc=$?
  TAV_PHASES+=("$(printf '%-28s %4d:%02d' "$name" $(( (SECONDS - start) / 60 )) $(( (SECONDS - start) % 60 )))")
  if [ $rc -ne 0 ]; then
    echo "==== $name failed ($rc)"
    tav_phase_summary
    exit $rc
  fi
}

tav_phase_summary() {
  echo "==== time per phase (min:s)"
  printf '%s\n' "${TAV_PHASES[@]}"
  printf '%-28s %4d:%02d\n' "in all" $(( SECONDS / 60 )) $(( SECONDS % 60 ))
}

# tav_leftovers MARK: names every process still carrying TAV_SUITE_RUN=MARK
# in its environment (what the suite started and did not end), ends them and
# fails if there were any.
tav_leftovers() {
  local mark="$1" found=0 pid
  for env in /proc/[0-9]*/environ; do
    pid="${env#/proc/}"; pid="${pid%/environ}"
    # The script itself and the commands this check runs carry the mark too.
    [ "$pid" = "$$" ] && continue
    [ "$(awk '{print $4}' "/proc/$pid/stat" 2>/dev/null)" = "$$" ] && continue
    if grep -qzx "TAV_SUITE_RUN=$mark" "$env" 2>/dev/null; then
      echo "left running: $pid $( { tr '\0' ' ' < "/proc/$pid/cmdline"; } 2>/dev/null)"
      kill -9 "$pid" 2>/dev/null || true
      found=1
    fi
  done
  return $found
}
