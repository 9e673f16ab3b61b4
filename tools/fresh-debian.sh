#!/usr/bin/env bash
# Tries the README's two commands as a newcomer would, in a fresh chroot of
# the Debian release named (debootstrap minbase, its three standard sources,
# git, a clone of the current commit): ./tools/run.sh, then ./tools/test.sh,
# as root with no display or standard input; it prints each one's time and
# verdict, the zips' checksums and BUILDINFO.txt, and keeps their output,
# the zips and the programs in build/fresh-debian/<release and option>-*.
#
#   tools/fresh-debian.sh 13|12 [--lagging-i386 | --no-i386] [--keep]
#
#   --lagging-i386  the security source offers its 64-bit packages only, as
#                   on a day when the mirror's 32-bit packages lag behind:
#                   both commands must take the 64-bit path and say why; then
#                   the source is made whole again and ./tools/test.sh runs
#                   once more, and must install the 32-bit Wine by itself
#   --no-i386       both commands with KALVOR_NO_I386=1, which must add no
#                   i386 architecture to the system
#   --keep          the chroot's folder is left (unmounted) for a look
#
# Needs root and the Debian mirror (KALVOR_DEBIAN_MIRROR, else
# debootstrap's); takes half an hour or more. Whatever happens, it stops
# what runs in the chroot and unmounts what it mounted.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
usage="usage: tools/fresh-debian.sh 13|12 [--lagging-i386 | --no-i386] [--keep]"
case ${1:-} in
    12 | bookworm) codename=bookworm release=12 ;;
    13 | trixie) codename=trixie release=13 ;;
    *) echo "$usage" >&2 && exit 2 ;;
esac
shift
lagging= env= keep= run=debian$release
for arg; do
    case $arg in
        --lagging-i386) lagging=1 run+=$arg ;;
        --no-i386) env="KALVOR_NO_I386=1 " run+=$arg ;;
        --keep) keep=1 ;;
        *) echo "$usage" >&2 && exit 2 ;;
    esac
done
[ "$(id -u)" -eq 0 ] || { echo "fresh-debian: debootstrap and chroot need root" >&2; exit 1; }
commit=$(git rev-parse HEAD)
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
    echo "fresh-debian: uncommitted changes are not tried; the chroot gets commit ${commit:0:7}"
logs=$top/build/fresh-debian
mkdir -p "$logs"

root=$(mktemp -d "/var/tmp/kalvor-debian$release.XXXXXX")
mounts=()
# Stops every process whose root is the chroot (a Wine server, an X server),
# unmounts in reverse order, and removes the folder only when nothing is
# mounted under it any more.
cleanup() {
    local status=$? pid i left
    trap - EXIT INT TERM
    for pid in /proc/[0-9]*; do
        [ "$(readlink "$pid/root" 2>/dev/null)" != "$root" ] || kill -9 "${pid#/proc/}" 2>/dev/null || true
    done
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do
        umount -R "${mounts[i]}" 2>/dev/null || umount -R -l "${mounts[i]}" || true
    done
    left=$(awk -v r="$root/" 'index($2 "/", r) == 1 { print $2 }' /proc/self/mounts)
    if [ -n "$left" ]; then
        echo "fresh-debian: still mounted, so $root is left as it is:" $left >&2
    elif [ -z "$keep" ]; then
        rm -rf "$root"
    else
        echo "fresh-debian: the chroot is kept in $root"
    fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
mount_into() {
    mkdir -p "$root$2"
    mount "${@:3}" "$1" "$root$2"
    mounts+=("$root$2")
}

# Runs the command line $1 as root in the chroot, with a login's plain
# environment and the variables given after it: no display, no standard input.
in_chroot() {
    chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
        PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "${@:2}" bash -c "$1" </dev/null
}

# Runs step $1 (a command line in the clone) into its log, and prints its
# time and verdict.
verdict=0
step() {
    local log=$logs/$run-$1.log start=$SECONDS status=0
    echo "== debian $release: $1"
    in_chroot "cd /root/kalvor && $2" >"$log" 2>&1 || status=$?
    local took=$((SECONDS - start))
    printf '%s: exit status %d after %dm%02ds (log: %s)\n' "$1" "$status" $((took / 60)) $((took % 60)) "${log#"$top"/}"
    [ "$status" -eq 0 ] || verdict=1
}

command -v debootstrap >/dev/null || apt-get install -y -q debootstrap >/dev/null
echo "== debootstrap $codename into $root"
debootstrap --variant=minbase "$codename" "$root" ${KALVOR_DEBIAN_MIRROR:+"$KALVOR_DEBIAN_MIRROR"} \
    >"$logs/$run-debootstrap.log" 2>&1
mirror=$(awk '$1 == "deb" { print $2; exit }' "$root/etc/apt/sources.list")

# The release's three standard sources; given an argument, the security
# source has no 32-bit packages.
sources() {
    local stanza='Types: deb\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n'
    printf "$stanza\n" "$mirror" "$codename $codename-updates"
    printf "$stanza" "${mirror%/debian}/debian-security" "$codename-security"
    [ -z "$1" ] || echo "Architectures: amd64"
}
rm -f "$root/etc/apt/sources.list"
sources "$lagging" >"$root/etc/apt/sources.list.d/debian.sources"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# Certificate authorities the machine adds of its own (a proxy's, say), for
# npm; ca-certificates takes them in when it is installed.
if compgen -G "/usr/local/share/ca-certificates/*" >/dev/null; then
    mkdir -p "$root/usr/local/share/ca-certificates"
    cp -r /usr/local/share/ca-certificates/. "$root/usr/local/share/ca-certificates/"
fi
mount_into /proc /proc -t proc
mount_into /sys /sys --rbind --make-rslave
mount_into /dev /dev --rbind --make-rslave

echo "== the newcomer's first steps: upgrade, git, clone of ${commit:0:7}"
mount_into "$top" /mnt/kalvor --bind -o ro
in_chroot "apt-get update -q && apt-get upgrade -y -q && apt-get install -y -q git ca-certificates &&
    git clone -q /mnt/kalvor /root/kalvor && git -C /root/kalvor checkout -q $commit" \
    DEBIAN_FRONTEND=noninteractive >"$logs/$run-setup.log" 2>&1
umount "$root/mnt/kalvor" && unset 'mounts[-1]'

step run "${env}./tools/run.sh"
grep -v -E '^(\[|--|-- )|^ *[0-9]+%|Building|Linking|Built target' "$logs/$run-run.log" | tail -n 12 || true
step test "${env}./tools/test.sh"
sed -n '/^== summary/,$p' "$logs/$run-test.log"
# What the release made there, kept beside the logs: the zips, and both
# builds' programs with the do-nothing dialog they are measured against.
kept=$logs/$run-made
rm -rf "$kept" && mkdir -p "$kept"
cp "$root"/root/kalvor/dist/*.zip "$kept/" 2>/dev/null || true
for build in win32 win64; do
    for exe in kalvor kalvor_floor; do
        cp "$root/root/kalvor/build/$build/ui/$exe.exe" "$kept/$exe-$build.exe" 2>/dev/null || true
    done
done
for zip in "$kept"/*.zip; do
    [ ! -e "$zip" ] || { echo "== ${zip##*/}: SHA-256 $(sha256sum <"$zip" | cut -d' ' -f1)"; unzip -p "$zip" BUILDINFO.txt | tr -d '\r'; }
done

if [ -n "$lagging" ]; then
    echo "== the security source whole again"
    sources "" >"$root/etc/apt/sources.list.d/debian.sources"
    # The mirror may itself be lagging today: the test command tells.
    in_chroot "apt-get update -q" >>"$logs/$run-setup.log" 2>&1 ||
        echo "apt-get update could not read every index (log: build/fresh-debian/$run-setup.log)"
    step test-whole ./tools/test.sh
    grep '^install-deps:' "$logs/$run-test-whole.log" || true
    sed -n '/^== summary/,$p' "$logs/$run-test-whole.log"
fi
echo "== foreign architectures: $(in_chroot 'dpkg --print-foreign-architectures' | paste -sd' ' -)"
echo "== debian $release: $([ "$verdict" -eq 0 ] && echo "every step passed" || echo FAILED)"
exit "$verdict"
