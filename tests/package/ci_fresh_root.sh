#!/usr/bin/env bash
# The README's commands on a freshly unpacked Debian 12, as a new user meets
# them. Two runs at once, each in a minimal root of its own (debootstrap
# --variant=minbase, nothing installed beyond it):
#   as-root, without sudo: `./build.sh test`, `./build.sh package`, the .deb
#     installed with apt-get, both programs run from PATH (one frame drawn),
#     the menu entry, icons, metainfo and manual page where the README puts
#     them, and after a purge no file of the package left;
#   as-user, a user with sudo: `./build.sh test`, which has to install
#     through sudo.
#   tests/package/ci_fresh_root.sh
# Needs root (it mounts and chroots) and this machine's Debian mirror. The
# unpacked base system is kept as a tarball and remade after a week, and the
# downloaded .debs are shared by every root and run, in VELMORA_CI_CACHE
# (default /var/cache/velmora-ci). A run stops at its first failed step and
# names it; each prints how long its steps took; the stage exits non-zero if
# either failed.
set -euo pipefail
shopt -s nullglob
source_dir=$(cd "$(dirname "$0")/../.." && pwd)

fail() { echo "FAIL: $*" >&2; exit 1; }

# Everything runs in mount and process namespaces of its own: the roots'
# mounts never show on the machine and vanish with the namespace, and no
# process started in a root (an X server, a test) outlives the stage.
if [ -z "${VELMORA_FRESH_ROOT_NAMESPACE:-}" ]; then
    [ "$(id -u)" -eq 0 ] || fail "the fresh-root stage needs root: it mounts and chroots"
    export VELMORA_FRESH_ROOT_NAMESPACE=1
    exec unshare --mount --pid --fork --kill-child bash "$0" "$@"
fi

Suite=bookworm
BaseMaxAgeDays=7        # a base older than this is unpacked anew, so it stays close to the mirror
User=builder            # the user with sudo
RootTmpfsGiB=6          # a root holds about 3 GiB once the packages are installed and built
RootsInMemoryGiB=14     # both roots live in memory only when this much is free (the builds need the rest)
cache=${VELMORA_CI_CACHE:-/var/cache/velmora-ci}
version=$(sed -n 's/^project(Velmora VERSION \([0-9][0-9.]*\).*/\1/p' "$source_dir/CMakeLists.txt")
[ -n "$version" ] || fail "no project version in CMakeLists.txt"
mkdir -p "$cache/debs"
work=$(mktemp -d /var/tmp/velmora-fresh.XXXXXX)
started=$SECONDS

# ---- One run: a subshell with its own root in $run_dir, its steps and times.

root=
current=                # the step that runs, for the exit trap's report
began=
timings=()

# step NAME COMMAND...: runs one step and records its time; a failing command
# ends the run (errexit), and the exit trap names the step.
step() {
    current=$1; shift
    echo "== fresh Debian, $run_name: $current"
    began=$SECONDS
    "$@"
    timings+=("$(printf '%5d s  %s' $((SECONDS - began)) "$current")")
    current=
}

finish_run() {
    local status=$?
    [ -z "$current" ] || timings+=("$(printf '%5d s  %s (failed)' $((SECONDS - began)) "$current")")
    remove_root || status=1
    printf '%s\n' "${timings[@]}"
    [ -z "$current" ] || echo "FAIL: $run_name: step '$current' exited $status" >&2
    exit $status
}

# Unmounts everything under the root, then removes it; never removes a root
# with something still mounted in it.
remove_root() {
    [ -n "$root" ] && [ -d "$root" ] || return 0
    echo "$run_name: the root held $(du -s --block-size=1M --one-file-system "$root" | cut -f1) MiB"
    keep_downloads
    local mounts
    mounts=$(mounts_under "$root" | sort -r)
    [ -z "$mounts" ] || umount $mounts || umount -l $(mounts_under "$root" | sort -r) || true
    if [ -n "$(mounts_under "$root")" ]; then
        echo "$run_name: $root still has mounts; left in place" >&2
        return 1
    fi
    rm -rf --one-file-system "$root" "$run_dir/archives"
    root=
}
mounts_under() {
    awk -v d="$1" '$5 == d || index($5, d "/") == 1 { print $5 }' /proc/self/mountinfo
}

# link_into DIR FILE...: hard links (or, across file systems, copies) the
# files into DIR, keeping those already there: apt's downloads are shared
# between roots and runs, never its installed state.
link_into() {
    local dir=$1; shift
    [ $# -gt 0 ] || return 0
    cp -ln "$@" "$dir"/ 2>/dev/null || cp -n "$@" "$dir"/
}
# The run's new downloads into the cache: the .debs with a single link (those
# from the cache or this machine's archive have two or more).
keep_downloads() {
    local new=()
    mapfile -d '' new < <(find "$run_dir/archives" -maxdepth 1 -name '*.deb' -links 1 -print0 2>/dev/null)
    exec 8>"$cache/debs.lock"
    flock 8
    link_into "$cache/debs" "${new[@]}"
    flock -u 8
}

# A new root from the base tarball, set up as a freshly installed machine:
# this machine's mirror and name resolution. It lives in memory when there
# is room: unpacking, installing and removing thousands of files is then
# quick. apt's downloads stay on disk, shared with the other root and runs.
unpack_root() {
    root=$run_dir/root
    mkdir "$root"
    [ -z "$in_memory" ] || mount -t tmpfs -o size=${RootTmpfsGiB}G,mode=755 fresh-root "$root"
    tar -C "$root" --numeric-owner -xf "$cache/$Suite-minbase.tar"
    awk '{ print "deb", $1, $2, "main" }' <<<"$sources" >"$root/etc/apt/sources.list"
    # How this machine's apt reaches the mirror (a proxy, a snapshot's dates).
    apt-config dump | grep -E '^Acquire::((https?|ftp)::Proxy|Check-Valid-Until|Check-Date) ' \
        >"$root/etc/apt/apt.conf.d/00mirror-access" || true
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    printf '127.0.0.1\tlocalhost\n127.0.1.1\t%s\n::1\tlocalhost ip6-localhost ip6-loopback\n' \
        "$(cat "$root/etc/hostname" 2>/dev/null || hostname)" >"$root/etc/hosts"
    # apt checks a cached .deb's hash before it uses it, so this machine's
    # own downloads may serve too.
    mkdir -p "$run_dir/archives/partial"
    link_into "$run_dir/archives" /var/cache/apt/archives/*.deb
    link_into "$run_dir/archives" "$cache"/debs/*.deb
    mount --bind "$run_dir/archives" "$root/var/cache/apt/archives"
    mount_root
}

# What a running system has and the window tests, ctest and apt use: /proc,
# a read-only /sys, a /dev of the harmless devices with its own pseudo
# terminals and shared memory.
mount_root() {
    mount -t proc -o nosuid,nodev,noexec proc "$root/proc"
    mount -t sysfs -o ro,nosuid,nodev,noexec sysfs "$root/sys"
    mount -t tmpfs -o mode=755,nosuid dev "$root/dev"
    local device
    for device in null zero full random urandom tty; do
        touch "$root/dev/$device"
        mount --bind "/dev/$device" "$root/dev/$device"
    done
    mkdir "$root/dev/pts" "$root/dev/shm"
    mount -t devpts -o newinstance,ptmxmode=0666,mode=0620,gid=5,nosuid,noexec devpts "$root/dev/pts"
    mount -t tmpfs -o mode=1777,nosuid,nodev shm "$root/dev/shm"
    ln -s pts/ptmx "$root/dev/ptmx"
    ln -s /proc/self/fd "$root/dev/fd"
    ln -s /proc/self/fd/0 "$root/dev/stdin"
    ln -s /proc/self/fd/1 "$root/dev/stdout"
    ln -s /proc/self/fd/2 "$root/dev/stderr"
}

# The project's files as they are in the checkout (uncommitted edits too),
# without its builds, into DIR of the root, owned by OWNER.
copy_source() {
    local dir=$1 owner=$2
    mkdir -p "$root$dir"
    git -C "$source_dir" ls-files -z | tar -C "$source_dir" --null -T - -cf - | tar -C "$root$dir" -xf -
    chroot "$root" chown -R "$owner:" "$dir"
}

# as USER COMMAND: runs a shell command in the root through a login shell, with
# nothing of this machine's environment.
as() {
    chroot "$root" /usr/bin/env -i TERM=dumb /usr/sbin/runuser -l "$1" -c "$2" </dev/null
}

# The programs and files the README says the package brings, where it says.
check_installed() {
    as root "need() { \"\$@\" || { echo \"not as the README says: \$*\" >&2; exit 1; }; }
        need test \"\$(command -v velmora-render)\" = /usr/bin/velmora-render
        need test \"\$(velmora-render --version)\" = 'velmora-render $version'
        need test \"\$(velmora --version)\" = 'velmora $version'
        need test -f /usr/share/applications/velmora.desktop
        for size in 48 64 128 256; do need test -f /usr/share/icons/hicolor/\${size}x\${size}/apps/velmora.png; done
        need test -f /usr/share/metainfo/io.velmora.Velmora.metainfo.xml
        MANWIDTH=80 man 6 velmora-render >/tmp/page
        need grep -q '^NAME' /tmp/page"
}

# One frame drawn by velmora-render from PATH, byte for byte the build's.
draw_from_path() {
    as root "set -e
        mkdir -p /tmp/frame && cd /tmp/frame
        velmora-render --frames 0 --screen 480x360 --out installed
        /root/velmora/build/release/tools/velmora_render/velmora-render --frames 0 --screen 480x360 --out built
        cmp installed/frame_000000.png built/frame_000000.png"
}

# Every path of the system, but for what changes by itself (logs, caches,
# apt's and dpkg's own records, home folders, temporary files).
snapshot() {
    as root "find / -xdev \\( -path /proc -o -path /sys -o -path /dev -o -path /run -o -path /tmp \
        -o -path /var/tmp -o -path /var/log -o -path /var/cache -o -path /var/lib/apt -o -path /var/lib/dpkg \
        -o -path /root -o -path /home \\) -prune -o -print" | sort >"$run_dir/$1"
}

# The snapshots see the package while it is installed, so that a file of it
# left after the purge could not go unnoticed.
snapshot_sees_package() {
    snapshot installed
    local added
    added=$(comm -13 "$run_dir/before-install" "$run_dir/installed")
    grep -qx /usr/bin/velmora-render <<<"$added" && grep -qx /usr/share/doc/velmora <<<"$added" ||
        { echo "the snapshot of the installed system lacks the package's files" >&2; return 1; }
}
purge_leaves_nothing() {
    as root "apt-get purge -y velmora"
    snapshot after-purge
    local left
    left=$(comm -13 "$run_dir/before-install" "$run_dir/after-purge")
    [ -z "$left" ] || { echo "left after the purge:"; echo "$left"; return 1; } >&2
    ! as root "dpkg-query -W velmora" >/dev/null 2>&1 || { echo "dpkg still knows velmora" >&2; return 1; }
}

# The user: sudo without a password, as CI has no one to type it.
add_sudo_user() {
    as root "set -e
        apt-get update
        apt-get install -y sudo
        useradd --create-home --shell /bin/bash $User
        echo '$User ALL=(ALL) NOPASSWD: ALL' >/etc/sudoers.d/$User
        chmod 0440 /etc/sudoers.d/$User"
}

# build.sh's sudo path runs only for missing packages: the fresh root must
# lack them before; after, apt's log shows the user asked for them, and the
# user's tree is all the user's.
build_packages_missing() {
    ! as root "dpkg-query -W -f='\${Status}' cmake 2>/dev/null | grep -q 'install ok installed'" ||
        { echo "cmake is installed before build.sh ran: its sudo path would not run" >&2; return 1; }
}
user_run_installed_and_owns() {
    grep -q "^Requested-By: $User " "$root/var/log/apt/history.log" &&
        as root "dpkg-query -W -f='\${Status}' cmake xvfb | grep -q 'install ok installed'" ||
        { echo "build.sh as $User did not install the packages through sudo" >&2; return 1; }
    local foreign
    foreign=$(chroot "$root" find "/home/$User/velmora" ! -user "$User" | head -5)
    [ -z "$foreign" ] || { echo "files in $User's tree that are not $User's: $foreign" >&2; return 1; }
}

as_root_without_sudo() {
    step "unpack a root" unpack_root
    step "copy the project" copy_source /root/velmora root
    step "./build.sh test" as root "cd velmora && ./build.sh test"
    step "./build.sh package" as root "cd velmora && ./build.sh package"
    step "the zip holds velmora.exe" as root \
        "python3 -m zipfile -l velmora/build/win64/velmora-$version-win64.zip | grep -q '/velmora.exe '"
    step "install man-db to read the manual" as root "apt-get install -y man-db"
    step "snapshot before install" snapshot before-install
    step "apt-get install ./velmora_${version}_amd64.deb" as root \
        "cd velmora/build/release && apt-get install -y ./velmora_${version}_amd64.deb"
    step "programs, menu entry, icons, metainfo, man 6 velmora-render" check_installed
    step "snapshot of the installed package" snapshot_sees_package
    step "velmora-render from PATH draws the build's frame" draw_from_path
    step "apt-get purge velmora leaves no file" purge_leaves_nothing
    step "remove the root" remove_root
}

as_user_with_sudo() {
    step "unpack a root" unpack_root
    step "add a user with sudo" add_sudo_user
    step "the build packages are missing" build_packages_missing
    step "copy the project" copy_source /home/$User/velmora $User
    step "./build.sh test" as $User "cd velmora && ./build.sh test"
    step "build.sh installed the packages; the tree is $User's" user_run_installed_and_owns
    step "remove the root" remove_root
}

# ---- The stage: the base system, then both runs side by side.

# The Debian 12 sources of this machine's apt, "URI SUITE" a line.
host_debian_sources() {
    apt-get indextargets --format '$(REPO_URI) $(RELEASE) $(COMPONENT)' 'Identifier: Packages' |
        awk -v s="$Suite" '$3 == "main" && ($2 == s || $2 == s "-updates" || $2 == s "-security") { print $1, $2 }' |
        sort -u
}

# The base system, unpacked once by debootstrap and kept as a tarball; the
# lock keeps two stages on one machine from making it at once.
base_tarball() {
    local tarball=$cache/$Suite-minbase.tar mirror=$1
    exec 8>"$cache/base.lock"
    flock 8
    if [ -f "$tarball" ] && [ "$(cat "$tarball.mirror" 2>/dev/null)" = "$mirror" ] &&
       [ -z "$(find "$tarball" -mtime +$((BaseMaxAgeDays - 1)))" ]; then
        flock -u 8
        return 0
    fi
    local new=$cache/new-root
    rm -rf --one-file-system "$new"
    debootstrap --variant=minbase "$Suite" "$new" "$mirror"
    # A new base starts a new cache, so that old versions do not pile up.
    # The tarball is without /dev's nodes, as each root gets a /dev of its
    # own, and without the base's .debs, which start the cache.
    exec 9>"$cache/debs.lock"
    flock 9
    find "$cache/debs" -maxdepth 1 -name '*.deb' -delete
    link_into "$cache/debs" "$new"/var/cache/apt/archives/*.deb
    flock -u 9
    tar -C "$new" --numeric-owner --exclude='./dev/*' --exclude='./var/cache/apt/archives/*.deb' \
        -cf "$tarball.new" .
    rm -rf --one-file-system "$new"
    mv "$tarball.new" "$tarball"
    echo "$mirror" >"$tarball.mirror"
    flock -u 8
}

# start_run NAME FUNCTION: the run in a subshell of its own, its root in
# $work/NAME (a name without spaces: mount points are split on them), its
# output in $work/NAME.log.
declare -A run_pids
start_run() {
    local name=$1 function=$2
    mkdir "$work/$name"
    (
        run_name=$name run_dir=$work/$name
        trap finish_run EXIT
        trap 'exit 143' TERM
        "$function"
    ) >"$work/$name.log" 2>&1 &
    run_pids[$name]=$!
    echo "== fresh Debian: $name started (its output follows when it ends)"
}

# On any exit: detach whatever a run left mounted and remove the work folder.
# A run still going (the stage was interrupted) ends with this process, the
# first of the namespace.
finish() {
    local status=$? mounts
    mounts=$(mounts_under "$work" | sort -r)
    [ -z "$mounts" ] || umount -l $mounts || true
    rm -rf --one-file-system "$work" || true
    echo "fresh Debian: $((SECONDS - started)) s in all, $([ $status -eq 0 ] && echo passed || echo FAILED)"
    exit $status
}
trap finish EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

command -v debootstrap >/dev/null || apt-get install -y debootstrap
sources=$(host_debian_sources)
mirror=$(awk -v s="$Suite" '$2 == s { print $1; exit }' <<<"$sources")
[ -n "$mirror" ] || fail "this machine's apt has no Debian $Suite source to unpack a root from"
echo "== fresh Debian: the base system ($Suite minbase from $mirror)"
base_tarball "$mirror"
echo "   $((SECONDS - started)) s"

in_memory=
available_kib=$(awk '$1 == "MemAvailable:" { print $2 }' /proc/meminfo)
[ "$available_kib" -lt $((RootsInMemoryGiB * 1024 * 1024)) ] || in_memory=1
echo "== fresh Debian: the roots in $([ -n "$in_memory" ] && echo memory || echo "$work")"

start_run as-root as_root_without_sudo
start_run as-user as_user_with_sudo
failed=0
for name in as-root as-user; do
    status=0
    wait "${run_pids[$name]}" || status=$?
    unset "run_pids[$name]"
    echo "== fresh Debian, $name: its output"
    cat "$work/$name.log"
    [ $status -eq 0 ] || { echo "FAIL: fresh Debian, $name (exit $status)" >&2; failed=1; }
done
[ $failed -eq 0 ]
