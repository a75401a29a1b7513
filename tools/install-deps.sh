#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need (the
# package build's own tools come with tools/package.sh).
# Idempotent: only missing packages are installed, and nothing is downloaded
# when everything is already there.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev libcurl4-openssl-dev libgtest-dev libgmock-dev libssl-dev
    fonts-ipafont-gothic xdg-utils qt6-wayland
    python3 python3-pyftpdlib vsftpd curl
    xvfb xauth libxcb1-dev iproute2 util-linux
    desktop-file-utils appstream shared-mime-info libglib2.0-bin
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"

# The Debian package starts vsftpd as a system service on port 21; the tests
# and the demo start their own servers, so the packaged one is not wanted.
if command -v systemctl >/dev/null 2>&1 && [ -d /run/systemd/system ]; then
    "${sudo[@]}" systemctl disable --now vsftpd >/dev/null 2>&1 || true
fi
