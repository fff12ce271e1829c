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

# tav_build DIR [extra cmake args...]
tav_build() {
  local dir="$1"; shift
  cmake -S "$TAV_ROOT" -B "$dir" -G Ninja "$@"
  cmake --build "$dir" --parallel
}
