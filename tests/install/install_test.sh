#!/usr/bin/env bash
# Installs the build into a fresh prefix and uses it as a host would: the
# tool runs, the manual page is found, and the example host builds with CMake
# (find_package) and with make (pkg-config, shared and static) and runs, all
# without LD_LIBRARY_PATH.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
unset LD_LIBRARY_PATH
prefix=$work/prefix
sample=$source/tests/data/bmp/rgb24.bmp  # 127 x 64

fail() { echo "install test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
libdir=$(dirname "$(find "$prefix" -name 'libvelmora.so' -print -quit)")
[ -f "$libdir/libvelmora.a" ] || fail "no static archive beside the shared library"
[ -f "$libdir/cmake/Velmora/VelmoraConfigVersion.cmake" ] || fail "no CMake version file"

# The installed tool finds its library by its own run path.
"$prefix/bin/velmora" --version | grep -q '^velmora ' || fail "installed tool does not run"
MANPATH=$prefix/share/man man -w velmora >/dev/null || fail "man velmora finds no page"

# Checks that the example turned the sample and drew its thumbnail: the
# turned image is 64 x 127, so a thumbnail of 40 on its longer side is 20 x 40.
check_thumbnail() {
    local program=$1 out=$2
    "$program" "$sample" "$out" 40 2>"$work/progress.txt" >/dev/null || fail "$program failed"
    "$prefix/bin/velmora" info "$out" | grep -q 'size: *20 x 40' || fail "$out is not a 20x40 thumbnail"
}

cmake -S "$source/examples" -B "$work/cmake-build" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmake-build" >/dev/null
check_thumbnail "$work/cmake-build/thumbnail" "$work/cmake.bmp"

cp -r "$source/examples" "$work/make-shared"
PKG_CONFIG_PATH=$libdir/pkgconfig make -s -C "$work/make-shared" >/dev/null
check_thumbnail "$work/make-shared/thumbnail" "$work/make.bmp"

cp -r "$source/examples" "$work/make-static"
PKG_CONFIG_PATH=$libdir/pkgconfig make -s -C "$work/make-static" STATIC=1 >/dev/null
if readelf -d "$work/make-static/thumbnail" | grep -q 'libvelmora'; then
    fail "the static build still needs libvelmora.so"
fi
check_thumbnail "$work/make-static/thumbnail" "$work/static.bmp"

# The Python package, when it was built, imports from the prefix and runs
# its example without LD_LIBRARY_PATH.
python_dir=$prefix/lib/python3/dist-packages
if [ -d "$python_dir/velmora" ]; then
    PYTHONPATH=$python_dir /usr/bin/python3 "$source/examples/thumbnail.py" "$sample" "$work/python.bmp" 40 \
        2>/dev/null >/dev/null || fail "examples/thumbnail.py failed against the installed package"
    "$prefix/bin/velmora" info "$work/python.bmp" | grep -q 'size: *40 x 20' || fail "python.bmp is not a 40x20 thumbnail"
fi
echo "install test: tool, manual page, example host (CMake, pkg-config shared and static) and Python package work"
