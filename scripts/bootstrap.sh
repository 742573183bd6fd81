#!/usr/bin/env bash
# Brings a fresh Debian machine to a state where Quillon builds: installs only the
# packages that are missing (a second run costs a dpkg query), then configures and
# builds. Usage: scripts/bootstrap.sh [BUILD_DIR] [extra cmake arguments...]
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-svg-dev qt6-webengine-dev libqscintilla2-qt6-dev
  libgl-dev libxkbcommon-dev zlib1g-dev
  libgtest-dev libbenchmark-dev
  libexpat1-dev libxml2-dev libpugixml-dev
  clang libclang-rt-14-dev
  xvfb xauth imagemagick poppler-utils locales
  desktop-file-utils appstream man-db bsdextrautils file dpkg-dev lintian xdg-utils
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done

if ((${#missing[@]})); then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  echo "bootstrap: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

[ "${QUILLON_INSTALL_ONLY:-0}" = 1 ] && exit 0

BUILD_DIR=${1:-build}
shift || true
ROOT=$(cd "$(dirname "$0")/.." && pwd)
# Quiet when it works; when the configuration fails, its whole output says why.
mkdir -p "$ROOT/$BUILD_DIR"
log="$ROOT/$BUILD_DIR/configure.log"
if ! cmake -S "$ROOT" -B "$ROOT/$BUILD_DIR" -G Ninja "$@" >"$log" 2>&1; then
  cat "$log" >&2
  echo "bootstrap: configuring $BUILD_DIR failed (output above, also in $log)" >&2
  exit 1
fi
cmake --build "$ROOT/$BUILD_DIR"
