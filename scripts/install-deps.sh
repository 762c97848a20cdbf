#!/usr/bin/env bash
# Installs every Debian package the project needs to build, test and run.
# Idempotent: does nothing (and prints nothing) when everything is present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format-16 clang libclang-rt-14-dev
  qt6-base-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools libgl-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-tools
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-bad
  gstreamer1.0-plugins-ugly gstreamer1.0-libav gstreamer1.0-pulseaudio gstreamer1.0-plugins-base-apps
  gstreamer1.0-x
  libusb-1.0-0-dev libudev-dev umockdev libumockdev-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev libjpeg62-turbo-dev libturbojpeg0-dev
  xvfb xauth imagemagick ffmpeg pulseaudio pulseaudio-utils
  pipewire pipewire-bin wireplumber gstreamer1.0-pipewire libpipewire-0.3-dev dbus
  fonts-liberation fonts-dejavu-core
  libopencv-dev libtesseract-dev tesseract-ocr-eng tesseract-ocr-deu
  appstream desktop-file-utils poppler-utils x11-utils systemd
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
