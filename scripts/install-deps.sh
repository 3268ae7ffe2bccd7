#!/usr/bin/env bash
# Installs the Debian packages the project needs. Quiet and quick when all are present.
set -euo pipefail

PACKAGES=(
  # build tools
  build-essential cmake ninja-build ccache pkg-config clang-format
  # compression and pictures
  zlib1g-dev libpng-dev libjpeg62-turbo-dev
  # window, input, sound output; a virtual display for the window tests
  libsdl2-dev libasound2-dev xvfb xauth x11-apps x11-utils xdotool
  # text: fonts and their lookup, a Japanese font family (and a Latin one, which the text
  # tests use as a face without Japanese characters)
  libfreetype-dev libfontconfig-dev fonts-ipafont-gothic fonts-ipafont-mincho fonts-dejavu-core
  # sound and music decoding, the software synth with a General MIDI SoundFont
  libvorbis-dev libfluidsynth-dev fluid-soundfont-gm
  # video and Windows Media sound
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  # the HTTP object
  libcurl4-openssl-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # libFuzzer runtime for the fuzz targets (clang)
  libclang-rt-14-dev
  # JSON for the tools' machine-readable input and output
  nlohmann-json3-dev
  # command lines of the player and the tool
  libcli11-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
