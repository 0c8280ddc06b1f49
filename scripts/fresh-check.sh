#!/bin/bash
# fresh-check.sh [COMMAND]
# Tries the project as a new user would on a fresh Debian 12 machine: makes a
# minimal bookworm root with debootstrap, clones the committed project (HEAD,
# not the working tree) into it with ../shared beside it, and there, as root:
# builds the Debian package with only its build dependencies installed (the
# proof that debian/control names them all), then again in another folder,
# with another umask and without the tests, which must give the same bytes;
# and then runs COMMAND (default: scripts/test.sh, the README's test
# command). Prints the outcomes and the wall time; the root and its mounts
# are removed whatever happens. Needs root (it asks sudo), the network to the
# Debian mirror, a few GB of disk and about three quarters of an hour. Set
# FRESH_KEEP=1 to keep the root.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
command="${1:-scripts/test.sh}"

if [[ $(id -u) -ne 0 ]]; then exec sudo "$0" "$@"; fi

# The Debian mirror this machine is set up with, for bookworm's main suite.
mirror() {
    local uris suites
    {
        sed -n 's/^deb \(\[[^]]*\] \)\?\([^ ]*\) bookworm .*/\2/p' /etc/apt/sources.list \
            /etc/apt/sources.list.d/*.list 2>/dev/null
        for file in /etc/apt/sources.list.d/*.sources; do
            [[ -f "$file" ]] || continue
            # One stanza a paragraph: its URIs when its Suites hold bookworm.
            awk '/^URIs:/ {u=$2} /^Suites:/ {for (i = 2; i <= NF; i++) if ($i == "bookworm") s=1}
                 /^$/ {if (s && u) print u; u=""; s=0} END {if (s && u) print u}' "$file"
        done
    } | head -n1
}
command -v debootstrap >/dev/null ||
    { echo "debootstrap is missing: scripts/setup.sh installs it with the other packages" >&2; exit 2; }
url="$(mirror)"
[[ -n "$url" ]] || { echo "no Debian bookworm mirror in /etc/apt/sources.list*" >&2; exit 2; }
shared="$(cd "$root/../shared" 2>/dev/null && pwd)"
[[ -n "$shared" ]] || { echo "no ../shared beside the project" >&2; exit 2; }

target="$(mktemp -d /var/tmp/dururive-fresh.XXXXXX)"
chmod 755 "$target"  # it becomes /, which everyone must reach
mounts=()

# Ends whatever still runs inside the root, then unmounts in reverse order
# and removes the root. Runs on every exit.
cleanup() {
    local pid mount
    for pid in /proc/[0-9]*; do
        [[ "$(readlink "$pid/root" 2>/dev/null)" == "$target" ]] && kill -KILL "${pid#/proc/}" 2>/dev/null
    done
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        mount="${mounts[i]}"
        umount -R "$mount" 2>/dev/null || umount -R -l "$mount" 2>/dev/null || echo "could not unmount $mount" >&2
    done
    if grep -q " $target/" /proc/mounts; then
        echo "something is still mounted under $target; it is left in place" >&2
    elif [[ "${FRESH_KEEP:-}" == 1 ]]; then
        echo "the root is kept in $target"
    else
        rm -rf --one-file-system "$target"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

attach() {
    mount "$@" || exit 1
    mounts+=("${!#}")
}

started=$(date +%s)
elapsed() { local s=$(($(date +%s) - started)); printf '%dm%02ds' $((s / 60)) $((s % 60)); }

echo "=== debootstrap bookworm from $url into $target"
debootstrap --variant=minbase --include=sudo,ca-certificates bookworm "$target" "$url" \
    >"$target.debootstrap.log" 2>&1 ||
    { tail -n 30 "$target.debootstrap.log" >&2; rm -f "$target.debootstrap.log"; echo "debootstrap failed" >&2; exit 1; }
rm -f "$target.debootstrap.log"
echo "    done after $(elapsed)"

home="$target/root"
git clone --quiet "$root" "$home/project" || exit 1
cp -a "$shared" "$home/shared" || exit 1
echo "=== cloned $(git -C "$root" rev-parse --short HEAD) into /root/project, ../shared beside it"
# The package is built from clones of their own: dpkg-buildpackage writes
# beside the source, and the project's checkout stays as it was for COMMAND.
git clone --quiet "$root" "$home/package/dururive" || exit 1
git clone --quiet "$root" "$home/again/elsewhere/dururive" || exit 1

attach -t proc proc "$target/proc"
attach --rbind /sys "$target/sys"
mount --make-rslave "$target/sys"
attach --rbind /dev "$target/dev"  # with /dev/pts and /dev/shm, which the browser engine needs
mount --make-rslave "$target/dev"
cp /etc/resolv.conf "$target/etc/resolv.conf"

in_root() {
    chroot "$target" /usr/bin/env -i HOME=/root TERM="${TERM:-dumb}" LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin /bin/bash -c "$1"
}
outcome() { ((${1} == 0)) && echo passed || echo "FAILED (status $1)"; }

echo "=== building the Debian package with only its build dependencies"
in_root '
set -e
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
cd /root/package/dururive
apt-get build-dep -y -qq --no-install-recommends ./
DEB_BUILD_OPTIONS="parallel=$(nproc)" dpkg-buildpackage -us -uc
cd /root/again/elsewhere/dururive
umask 077
DEB_BUILD_OPTIONS="nocheck parallel=$(nproc)" dpkg-buildpackage -us -uc -Pnocheck
cd /root
differ=0
for deb in package/*.deb; do
    sha256sum "$deb" "again/elsewhere/${deb#package/}"
    cmp "$deb" "again/elsewhere/${deb#package/}" || differ=1
done
(( ! differ )) || { echo "the two builds differ" >&2; exit 1; }
echo "the two builds give the same packages"'
package_status=$?
echo "=== the Debian package in a fresh Debian 12 root: $(outcome $package_status) after $(elapsed)"

echo "=== running $command in the fresh root"
in_root 'cd /root/project && '"$command"
status=$?

echo "=== the Debian package in a fresh Debian 12 root: $(outcome $package_status)"
echo "=== $command in a fresh Debian 12 root: $(outcome $status) after $(elapsed)"
((package_status == 0)) || exit "$package_status"
exit "$status"
