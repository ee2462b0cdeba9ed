#!/usr/bin/env bash
# CI step: the Debian package. Builds it from BUILD_DIR with cpack, unpacks it
# into a temporary folder and checks its layout, its desktop entry, its
# computed Depends, the programs' versions, and lintian's verdict (errors
# fail; warnings are shown).
# Called as: bash scripts/ci.d/package.sh BUILD_DIR [ASAN_BUILD_DIR]
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)

for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null || { echo "$tool is missing: install the packages in scripts/packages.d/package.txt" >&2; exit 2; }
done

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
arch=$(dpkg --print-architecture)
deb="$build/package/tovel_${version}_${arch}.deb"

echo "== Building $deb"
cmake --build "$build" -j "$(nproc 2>/dev/null || echo 2)" >/dev/null
rm -f "$deb"
(cd "$build" && cpack -G DEB -B "$build/package" >"$build/package.log" 2>&1) \
    || { tail -n 20 "$build/package.log"; echo "FAIL cpack"; exit 1; }
[ -f "$deb" ] || { echo "FAIL no $deb was made"; ls "$build/package"; exit 1; }

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"

failed=0
fail() { echo "FAIL $*"; failed=1; }

app=usr/lib/tovel
for f in $app/Tovel $app/tovel-cli $app/Tovel.txt $app/LibDev4410.s79 $app/BaudCalc.exe $app/TVS_B.html \
    $app/tovel/TV_P.html $app/Dev4410Hdr/dev4410.h usr/share/applications/tovel.desktop \
    usr/share/man/man1/tovel.1.gz usr/share/man/man1/tovel-cli.1.gz \
    usr/share/bash-completion/completions/tovel-cli usr/share/doc/tovel/copyright \
    usr/share/metainfo/org.example.tovel.metainfo.xml usr/share/mime/packages/tovel.xml; do
    [ -f "$root/$f" ] || fail "/$f is not in the package"
done
for f in usr/bin/tovel usr/bin/tovel-cli $app/Tovel $app/tovel-cli $app/BaudCalc.exe; do
    [ -x "$root/$f" ] || fail "/$f is not executable"
done
[ "$(readlink -f "$root/usr/bin/tovel-cli")" = "$(readlink -f "$root/$app/tovel-cli")" ] \
    || fail "/usr/bin/tovel-cli does not lead to /$app/tovel-cli"
for size in 16 24 32 48 64 128; do
    [ -f "$root/usr/share/icons/hicolor/${size}x${size}/apps/tovel.png" ] || fail "the ${size} px icon is missing"
done

desktop="$root/usr/share/applications/tovel.desktop"
desktop-file-validate "$desktop" || fail "the desktop entry is not valid"
grep -qx 'Exec=/usr/bin/tovel %F' "$desktop" || fail "the desktop entry does not start /usr/bin/tovel with the files"
grep -q '^MimeType=.*text/x-asm;.*text/x-chdr;' "$desktop" || fail "the desktop entry names no assembler or header type"
appstreamcli validate --no-net "$root/usr/share/metainfo/org.example.tovel.metainfo.xml" \
    || fail "the AppStream metainfo is not valid"
grep -q '^License: Expat' "$root/usr/share/doc/tovel/copyright" || fail "the copyright file names no licence"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for lib in libc6 libstdc++6 libqt6widgets6; do
    grep -q "$lib" <<<"$depends" || fail "Depends does not name $lib"
done

# The unpacked programs run from their new place and know their version.
[ "$("$root/usr/bin/tovel-cli" --version)" = "tovel-cli $version" ] || fail "tovel-cli --version"
got=$(LD_LIBRARY_PATH= QT_QPA_PLATFORM= DISPLAY= WAYLAND_DISPLAY= "$root/$app/Tovel" --version 2>&1) || true
[ "$got" = "Tovel $version" ] || fail "Tovel --version said '$got'"
[ -n "$("$root/usr/bin/tovel-cli" list "$root/$app/LibDev4410.s79")" ] || fail "tovel-cli lists nothing of the sample library"

if command -v lintian >/dev/null; then
    echo "== lintian"
    report=$(lintian --tag-display-limit 0 "$deb" 2>&1 || true)
    [ -z "$report" ] || echo "$report"
    if grep -q '^E:' <<<"$report"; then
        fail "lintian reports errors"
    fi
else
    echo "lintian is not installed: the package was not checked by it"
fi

if [ "$failed" -ne 0 ]; then
    echo "== the package has problems"
    exit 1
fi
echo "== $deb is complete"
