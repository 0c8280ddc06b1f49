#!/bin/bash
# package.sh BUILD_DIR
# Makes the Debian package from the build with cpack (into a temporary
# folder, so the build folder is left as it was) and checks what it holds
# and what it declares it needs, and that lintian finds no error or warning
# in it and appstreamcli none in its AppStream metainfo.
set -uo pipefail
build="$1"
out="$(mktemp -d /tmp/dururive-package.XXXXXX)"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
trap 'rm -rf "$out"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 ||
    { cat "$out/cpack.log" >&2; echo "FAIL: cpack failed" >&2; exit 1; }
shopt -s nullglob
debs=("$out"/dururive_*.deb)
((${#debs[@]} == 1)) || { cat "$out/cpack.log" >&2; echo "FAIL: cpack made ${#debs[@]} packages named dururive_*.deb" >&2; exit 1; }
deb="${debs[0]}"

[[ "$(dpkg-deb -f "$deb" Package)" == dururive ]] || fail "the package is called '$(dpkg-deb -f "$deb" Package)'"

# The file list: the program folder, the command, the menu entry, the icons,
# the documents, the metainfo, and nothing elsewhere.
files="$(dpkg-deb -c "$deb" | sed 's/^\([^ ]* \+\)\{5\}//; s|/$||')"
has() { grep -qxF -- "$1" <<<"$files" || fail "the package lacks $1"; }
has "./usr/lib/dururive/dururive"
has "./usr/lib/dururive/dururive-browser"
for style in 1 2; do
    count="$(grep -c "^\./usr/lib/dururive/$style/[a-z]\.gif$" <<<"$files")"
    [[ "$count" == 26 ]] || fail "the package holds $count pictures of style $style"
done
has "./usr/bin/dururive -> ../lib/dururive/dururive"
has "./usr/share/applications/dururive.desktop"
for size in 16 48 256; do has "./usr/share/icons/hicolor/${size}x${size}/apps/dururive.png"; done
metainfo="usr/share/metainfo/org.dururive.dururive.metainfo.xml"
for document in doc/dururive/copyright doc/dururive/changelog.gz man/man1/dururive.1.gz; do
    has "./usr/share/$document"
done
has "./$metainfo"
outside="$(grep -vE '^\.(/usr(/bin(/dururive .*)?|/lib(/dururive(/.*)?)?|/share(/applications(/dururive\.desktop)?|/icons(/hicolor(/.*)?)?|/doc(/dururive(/.*)?)?|/man(/man1(/dururive\.1\.gz)?)?|/metainfo(/org\.dururive\.dururive\.metainfo\.xml)?)?)?)?$' <<<"$files")"
[[ -z "$outside" ]] || fail "the package holds files elsewhere: $outside"

# The declared dependencies: the Qt libraries the executables link, with
# versions from the libraries' symbols as dpkg-shlibdeps writes them, and
# the Liberation fonts the windows are drawn in.
depends="$(dpkg-deb -f "$deb" Depends)"
# The package names alone, alternatives included, one a line.
names="$(sed 's/([^)]*)//g' <<<"$depends" | tr ',|' '\n\n' | tr -d ' ')"
declared() { grep -qxF -- "$1" <<<"$names"; }
for package in libqt6widgets6 libqt6webenginewidgets6 libqt6webenginecore6 libqt6dbus6 libqt6gui6 \
               libqt6core6 fonts-liberation2; do
    declared "$package" || fail "Depends lacks $package: $depends"
done
grep -qE "libqt6core6 \(>= 6\.[0-9]" <<<"$depends" || fail "Depends gives no Qt version: $depends"

# Every library an installed executable needs comes from a declared
# package (giflib among them, should a program read pictures through it).
# The package that holds a library file, looked up by the path ldconfig
# gives and by its real path, each with and without the /usr of a merged /usr.
package_of() {
    local real path
    real="$(readlink -f "$1")"
    for path in "$1" "$real" "${1#/usr}" "${real#/usr}" "/usr$1" "/usr$real"; do
        dpkg -S "$path" 2>/dev/null | head -n1 | cut -d: -f1 | grep . && return 0
    done
    return 1
}
unpacked="$out/unpacked"
dpkg-deb -x "$deb" "$unpacked"
# The menu entry names the program by its path in the installed system.
entry="$unpacked/usr/share/applications/dururive.desktop"
grep -qx "Exec=/usr/bin/dururive" "$entry" || fail "the entry's $(grep '^Exec=' "$entry")"
desktop-file-validate "$entry" || fail "the entry does not validate"
# The manual page names the installed program folder; the metainfo validates
# with the entry it launches (offline: its web addresses are not fetched).
zcat "$unpacked/usr/share/man/man1/dururive.1.gz" | grep -qxF '.I "/usr/lib/dururive/"' ||
    fail "the manual page does not name /usr/lib/dururive/"
appstreamcli validate --pedantic --no-net "$unpacked/$metainfo" || fail "the metainfo does not validate"
appstreamcli validate-tree --pedantic --no-net "$unpacked" || fail "the installed tree's metainfo does not validate"
for exe in dururive dururive-browser; do
    readelf -S "$unpacked/usr/lib/dururive/$exe" | grep -q '\.symtab' && fail "$exe is not stripped"
    for soname in $(readelf -d "$unpacked/usr/lib/dururive/$exe" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
        library="$(ldconfig -p | awk -v s="$soname" '$1 == s && /x86-64|x32|AArch64|64bit/ {print $NF; exit}')"
        [[ -n "$library" ]] || library="$(ldconfig -p | awk -v s="$soname" '$1 == s {print $NF; exit}')"
        owner="$(package_of "$library")"
        [[ -n "$owner" ]] || { fail "$exe needs $soname, which no installed package holds"; continue; }
        declared "$owner" || fail "$exe needs $soname of $owner, which Depends lacks: $depends"
    done
done

# What a Debian maintainer checks: no error and no warning, the
# informational and pedantic tags shown.
lintian --display-info --pedantic --fail-on error,warning "$deb" || fail "lintian finds errors or warnings"

if ((failures)); then echo "$failures check(s) failed"; exit 1; fi
echo "package $(basename "$deb"): all checks passed"
