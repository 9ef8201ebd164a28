#!/bin/sh
# A short tour of the library, end to end: starts the local sandbox backend on
# a free loopback port and walks through the main paths with vhpd (log in, list
# projects, enter one, models, history and comparison, entity search, QR
# templates, statistics, the update check), then stops the sandbox.
#
#   tools/demo.sh [BUILD_DIR]     (BUILD_DIR defaults to ./build)
set -eu

build=${1:-build}
sandbox=$build/tools/sandbox/vhpd-sandbox
vhpd=$build/tools/vhpd/vhpd
for program in "$sandbox" "$vhpd"; do
    [ -x "$program" ] || { echo "demo: $program is missing; build it first (make demo)" >&2; exit 1; }
done

work=$(mktemp -d)
sandbox_pid=
cleanup() {
    if [ -n "$sandbox_pid" ]; then
        kill "$sandbox_pid" 2>/dev/null || true
        wait "$sandbox_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The tour keeps its login in a directory of its own, not in the user's.
export VHPD_CONFIG_DIR="$work/config"

"$sandbox" --port 0 >"$work/sandbox.out" 2>&1 &
sandbox_pid=$!
url=
tries=0
while [ -z "$url" ]; do
    url=$(sed -n 's/^listening on //p' "$work/sandbox.out")
    [ -n "$url" ] && break
    tries=$((tries + 1))
    if [ "$tries" -gt 100 ] || ! kill -0 "$sandbox_pid" 2>/dev/null; then
        echo "demo: the sandbox did not start:" >&2
        cat "$work/sandbox.out" >&2
        exit 1
    fi
    sleep 0.1
done
# The sandbox also plays the update server.
export VH_PACKAGE_API="$url/updates/"

if [ -t 1 ]; then bold=$(printf '\033[1m'); plain=$(printf '\033[0m'); else bold=; plain=; fi

# Shows a command line, quoting the arguments that hold spaces.
show() {
    line=vhpd
    for argument in "$@"; do
        case $argument in
        *' '*) line="$line '$argument'" ;;
        *) line="$line $argument" ;;
        esac
    done
    printf '\n%s$ %s%s\n' "$bold" "$line" "$plain"
}

step() {
    show "$@"
    "$vhpd" "$@"
}

echo "vhpd-sandbox is listening on $url"

# The password of the seed data's demo account goes in on standard input.
show --server "$url" login demo --password-stdin
printf 'demo123\n' | "$vhpd" --server "$url" login demo --password-stdin

step projects
step projects --search centre --page 1 --page-size 5
step enter Riverside
step models
step history 'Block A - Architecture'
step compare 'Block A - Architecture' 3 4
step entities --name wall --printed --page 2 --page-size 5
step qr-templates
step stats
step update-check
step logout

printf '\nThe tour is over; the sandbox stops now.\n'
