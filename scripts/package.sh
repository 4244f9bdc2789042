#!/bin/sh
# Builds the Debian package as a distribution would, in a build tree of its
# own (build-deb/): Debian's hardening flags from dpkg-buildflags (stack
# protector, fortify, relro, bindnow), no -Werror, no tests or benchmarks.
# The package is checked with lintian (ZANRAI_PACKAGE_NO_LINTIAN=1 leaves
# that out, for a second package CI compares byte for byte with the first)
# and copied to build/.
# Set CMAKE_CXX_COMPILER_LAUNCHER=ccache to reuse earlier compiles.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

# CPack dates every file and archive member with SOURCE_DATE_EPOCH instead of
# the packaging time (the compressed manual page and changelog store no time
# at all), so the same sources give the same bytes: the time of the last
# commit, or, in a tarball without git, the time NEWS.md was last changed.
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
    SOURCE_DATE_EPOCH="$(git log -1 --format=%ct 2>/dev/null || stat -c %Y NEWS.md)"
fi
export SOURCE_DATE_EPOCH

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags="$(dpkg-buildflags --get CPPFLAGS)"
cxxflags="$(dpkg-buildflags --get CXXFLAGS)"
ldflags="$(dpkg-buildflags --get LDFLAGS)"
# CMake has no CPPFLAGS of its own; they go with the compiler's flags, as
# debhelper does.
cmake -S . -B build-deb -G Ninja \
    -DCMAKE_BUILD_TYPE=None \
    -DCMAKE_CXX_FLAGS="$cppflags $cxxflags" \
    -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" \
    -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" \
    -DZANRAI_BUILD_TESTS=OFF -DZANRAI_BUILD_BENCHMARKS=OFF
cmake --build build-deb -j2

rm -rf build-deb/out
(cd build-deb && cpack -G DEB -B "$(pwd)/out")
mkdir -p build
rm -f build/zanrai_*.deb
cp build-deb/out/zanrai_*.deb build/
if [ "${ZANRAI_PACKAGE_NO_LINTIAN:-0}" != 1 ] && [ -x "$(command -v lintian)" ]; then
    sh scripts/check-lintian.sh build hardened
fi
echo "package: $(ls build/zanrai_*.deb)"
