#!/usr/bin/env bash
# Builds the Debian package with scripts/package (which also runs lintian and
# fails on its errors), unpacks it into a throwaway root and checks the
# programs and files there.
#   deb_package.sh BUILD_DIR SOURCE_DIR VERSION WITH_GUI
set -euo pipefail
build=$1
src=$2
version=$3
gui=$4
"$src/scripts/package" "$build"
deb=$build/package/kvx-comm_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { echo "FAIL: no $deb" >&2; exit 1; }
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
wanted=(libc6 libstdc++6 libpugixml1v5)
[ "$gui" = 1 ] && wanted+=(libqt6core6 libqt6widgets6 qt6-qpa-plugins)
for lib in "${wanted[@]}"; do
    [[ ", $depends," == *", $lib "* || ", $depends," == *", $lib,"* ]] ||
        { echo "FAIL: Depends lacks $lib" >&2; exit 1; }
done
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || { echo "FAIL: package version" >&2; exit 1; }
# Every file of the package sits under /usr.
outside=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '^\./usr/' | grep -v '^\./$' || true)
[ -z "$outside" ] || { echo "FAIL: package files outside /usr: $outside" >&2; exit 1; }

dpkg -x "$deb" "$root"
bash "$src/tests/package/check_installed.sh" "$root/usr" "$version" "$gui" "$src"
