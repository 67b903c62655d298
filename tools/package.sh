#!/bin/sh
# Builds the Debian package of Quarvik from the build tree of tools/setup.sh (build/, reused: only
# what changed since is built) into build/package/quarvik_<version>_<arch>.deb, and checks it with
# lintian (no errors). Prints the package's path last.
set -eu

cd "$(dirname "$0")/.."

# An installed program lives below /usr; the build must know it (see common/ProgramFolder.h).
cmake -S . -B build -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build build --target quarvik quarvik-check quarvik-export quarvik-farm brindle \
  quarvik_icons quarvik_manpages quarvik_changelog
rm -f build/package/quarvik_*.deb
(cd build && cpack -G DEB >/dev/null)
deb=$(ls build/package/quarvik_*.deb)
lintian --fail-on error --tag-display-limit 0 "$deb" >&2
echo "$deb"
