#!/bin/bash
# package.sh SOURCE_DIR BUILD_DIR
# Builds the Debian source and binary packages from the source as Debian
# does, with dpkg-buildpackage, twice: each time in a temporary copy of the
# source (dpkg-buildpackage writes beside its folder, and the checkout is
# left as it was), the second in another folder, later and with another
# umask. Checks that both give the same bytes; what the package holds (just
# what `cmake --install` of BUILD_DIR puts under /usr) and declares it
# needs; and that lintian finds no error or warning in the source and binary
# packages, nor appstreamcli in the AppStream metainfo. The tests themselves
# are left out of these builds (nocheck): the suite runs them.
set -uo pipefail
source_dir="$1"
build="$2"
out="$(mktemp -d /tmp/dururive-package.XXXXXX)"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
trap 'rm -rf "$out"' EXIT

# The source as git would commit it: the tracked and the new files, no build
# output.
copy_source() {
    mkdir -p "$1"
    if git -C "$source_dir" rev-parse --git-dir >/dev/null 2>&1; then
        git -C "$source_dir" ls-files -z --cached --others --exclude-standard |
            tar -C "$source_dir" --null --ignore-failed-read -T - -cf - | tar -C "$1" -xf -
    else
        tar -C "$source_dir" --exclude='./build*' --exclude='./obj-*' -cf - . | tar -C "$1" -xf -
    fi
}
# build_package FOLDER UMASK: the packages land in FOLDER's parent.
build_package() {
    copy_source "$1" || { echo "FAIL: the source could not be copied to $1" >&2; exit 1; }
    (cd "$1" && umask "$2" && DEB_BUILD_OPTIONS="nocheck parallel=$(nproc)" dpkg-buildpackage -us -uc -Pnocheck) \
        >"$1.log" 2>&1 || { tail -n 40 "$1.log" >&2; echo "FAIL: dpkg-buildpackage failed in $1" >&2; exit 1; }
}
first="$out/first/dururive"
second="$out/second/elsewhere/dururive-copy"
build_package "$first" 022
build_package "$second" 077

shopt -s nullglob
debs=("$out"/first/dururive_*.deb)
((${#debs[@]} == 1)) || { echo "FAIL: dpkg-buildpackage made ${#debs[@]} packages named dururive_*.deb" >&2; exit 1; }
deb="${debs[0]}"
changes=("$out"/first/dururive_*.changes)

# Reproducible: both builds' packages are the same bytes.
for built in "$out"/first/*.deb; do
    name="$(basename "$built")"
    sha256sum "$built" "$out/second/elsewhere/$name" 2>&1 | sed "s|$out/||"
    if ! cmp -s "$built" "$out/second/elsewhere/$name"; then
        fail "$name differs between the two builds:"
        diffoscope --text - "$built" "$out/second/elsewhere/$name" 2>&1 | head -n 60 >&2
    fi
done

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
# Just what cmake --install puts there, as dh_auto_install runs it.
DESTDIR="$out/installed" cmake --install "$build" --prefix /usr >"$out/install.log" 2>&1 ||
    { cat "$out/install.log" >&2; fail "cmake --install failed"; }
installed="$(cd "$out/installed" && find . | sort)"
differ="$(diff <(sed 's/ -> .*//' <<<"$files" | sort) - <<<"$installed")" ||
    fail "the package (<) and cmake --install (>) differ: $differ"

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
recommends="$(dpkg-deb -f "$deb" Recommends)"
[[ "$recommends" == "default-dbus-session-bus | dbus-session-bus" ]] || fail "Recommends is '$recommends'"

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

# No build path in any file, the debugging symbols included.
dpkg-deb -x "$out"/first/dururive-dbgsym_*.deb "$unpacked"
leaks="$(grep -rlF -- "$out" "$unpacked")" && fail "these files hold a build path (under $out): ${leaks//$unpacked/}"

# What a Debian maintainer checks, in the source and the binary packages: no
# error and no warning, the informational and pedantic tags shown.
lintian --display-info --pedantic --fail-on error,warning "${changes[0]}" ||
    fail "lintian finds errors or warnings in $(basename "${changes[0]}")"

if ((failures)); then echo "$failures check(s) failed"; exit 1; fi
echo "package $(basename "$deb"): all checks passed"
