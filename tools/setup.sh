#!/bin/sh
# Installs every Debian package that the build and the tests need, then configures and builds
# into build/. Idempotent and non-interactive; safe to run again after a pull.
set -eu

cd "$(dirname "$0")/.."

PACKAGES="
  cmake ninja-build pkg-config g++
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  libopencv-core-dev libopencv-imgproc-dev
  libsqlite3-dev
  libebur128-dev
  libcurl4-gnutls-dev
  unixodbc-dev unixodbc tdsodbc libsqliteodbc
  libmediainfo0v5
  libgtest-dev
  qt6-base-dev qt6-multimedia-dev qt6-translations-l10n libgl-dev libxcb1-dev fonts-wqy-microhei
  ffmpeg
  python3-pyftpdlib vsftpd
  slurm-wlm munge
  libvlc-dev vlc-plugin-base vlc-plugin-video-output
  xvfb xauth imagemagick
  dpkg-dev lintian help2man
"

missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done

if [ -n "$missing" ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $missing
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr
cmake --build build --parallel "$(nproc)"
