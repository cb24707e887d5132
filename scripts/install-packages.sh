#!/usr/bin/env bash
# Installs the Debian packages named as arguments that are not installed yet.
# Usage: install-packages.sh [--no-recommends] PACKAGE...
set -euo pipefail
extra=()
if [ "${1:-}" = "--no-recommends" ]; then extra+=(--no-install-recommends); shift; fi
missing=()
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
# Wait for another apt run (e.g. a parallel setup) rather than fail on its lock.
$SUDO apt-get -o DPkg::Lock::Timeout=600 update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -qq "${extra[@]}" "${missing[@]}"
