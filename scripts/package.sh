#!/bin/sh
# Makes the Debian package: build-package/pomi-pomira-avi_<version>_<arch>.deb, whose
# dependencies are the Debian 12 library packages the programs link against.
# Install it with: sudo apt-get install ./build-package/pomi-pomira-avi_*.deb
set -eu
cd "$(dirname "$0")/.."
./scripts/setup.sh
# Debian's own compiler and linker flags, every hardening feature included.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON -DPOMI_WERROR="${POMI_WERROR:-OFF}" >/dev/null
# Everything the package installs that the build makes: the programs, the manual
# pages and the compressed documents, and the desktop entry (made from the format rows).
cmake --build build-package -j2 --target pomi-pomira-avi pomi-pomira-convert compressed_docs desktop_entry
(cd build-package && cpack -G DEB)
ls build-package/*.deb
