#!/usr/bin/env bash
# Installs what the build needs on Debian 12 (as root, or through sudo),
# plus any packages named as arguments.
set -euo pipefail

packages=(cmake g++ make pkg-config libgtest-dev libgmock-dev qt6-base-dev qt6-base-private-dev qt6-webengine-dev
          libgl-dev libxml2-dev libuchardet-dev python3 qt6-qpa-plugins desktop-file-utils appstream
          man-db groff-base rsync "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  SUDO=""
  [[ $(id -u) -ne 0 ]] && SUDO="sudo"
  echo "Installing: ${missing[*]}"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
