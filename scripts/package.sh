#!/usr/bin/env bash
# Builds the Debian package build/velmora_<version>_<arch>.deb; with --install
# also installs it (and what it depends on) through apt.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh"
cmake --build "$root/build" --target package
package=$(ls -t "$root"/build/velmora_*.deb | head -n 1)
echo "Package: $package"
if [ "${1:-}" = "--install" ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "$package"
fi
