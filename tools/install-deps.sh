#!/usr/bin/env bash
# Installs the Debian packages the build needs, when missing; with --run also
# those that running the program needs, with --test those of the tests, with
# --package those of `make package`.
set -euo pipefail

packages=(cmake g++ make qt6-base-dev qt6-svg-dev qt6-image-formats-plugins zlib1g-dev libpotrace-dev libgl-dev fonts-liberation2 fonts-dejavu-core)
for arg in "$@"; do
    case "$arg" in
    --run) packages+=(qt6-qpa-plugins qt6-translations-l10n qt6-wayland) ;;
    --test) packages+=(desktop-file-utils appstream dpkg-dev file poppler-utils) ;;
    --package) packages+=(dpkg-dev file) ;;
    *) echo "unknown option $arg" >&2; exit 2 ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null 2>&1 || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
