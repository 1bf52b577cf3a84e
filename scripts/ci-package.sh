#!/usr/bin/env bash
# CI: the Debian package. CPack makes it in the build folder the test command built; its
# file list and dependencies are checked, its changelog's version compared with its own,
# lintian must find no error in it and its desktop entry is validated; apt-get installs
# it, the installed program must still be running under xvfb-run after a few seconds,
# and the package is removed again.
#
# Environment: KELVARON_BUILD_DIR (build in the checkout).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
dir=${KELVARON_BUILD_DIR:-$root/build}
sudo_cmd=()
[[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
fail() { echo "ci-package: $*" >&2; exit 1; }

# After the test command this builds nothing; cpack itself installs but does not build.
"$root/scripts/build.sh" "$dir" >/dev/null
rm -f "$dir"/kelvaron_*.deb
(cd "$dir" && cpack -G DEB >/dev/null)
debs=("$dir"/kelvaron_*.deb)
deb=${debs[0]}
[[ -f $deb ]] || fail "cpack made no kelvaron_*.deb in $dir"
echo "== $(basename "$deb")"
dpkg-deb -c "$deb"

files=$(dpkg-deb -c "$deb" | awk '{print $6}')
expected=(usr/bin/kelvaron usr/bin/kelvaron-sim usr/share/doc/kelvaron/Readme.html usr/share/doc/kelvaron/window-ports.png
          usr/share/doc/kelvaron/window-drives.png usr/share/doc/kelvaron/overview.png
          usr/share/doc/kelvaron/copyright usr/share/doc/kelvaron/changelog.gz
          usr/share/applications/kelvaron.desktop
          usr/share/icons/hicolor/scalable/apps/kelvaron.svg
          usr/share/icons/hicolor/64x64/apps/kelvaron.png
          usr/lib/udev/rules.d/70-kelvaron-garmin.rules)
[[ -x $dir/cli/kelvaron-get ]] && expected+=(usr/bin/kelvaron-get)
for f in "${expected[@]}"; do
    grep -qx "./$f" <<<"$files" || fail "the package lacks /$f"
done

# Every library the programs link must come from a package the package depends on.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
depends=$(tr ',|' '\n\n' <<<"$depends" | awk '{print $1}')
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
resolved=$(ldd "$unpacked"/usr/bin/* | awk '$2 == "=>" {print $1, $3}' | sort -u)
for lib in $(objdump -p "$unpacked"/usr/bin/* | awk '/NEEDED/ {print $2}' | sort -u); do
    path=$(awk -v l="$lib" '$1 == l {print $2; exit}' <<<"$resolved")
    [[ -n $path ]] || fail "$lib is not on this machine"
    # dpkg knows a library by the path its package ships, with or without /usr.
    owner=$(dpkg -S "$path" 2>/dev/null || dpkg -S "$(readlink -f "$path")")
    owner=${owner%%:*}
    grep -qxF "$owner" <<<"$depends" || fail "Depends does not name $owner ($lib)"
done
for p in libqt6core6 libqt6widgets6 libqt6serialport6 'libproj[0-9]+' libusb-1.0-0; do
    grep -qxE "$p" <<<"$depends" || fail "Depends does not name $p"
done

# The udev rule lets the user at the seat open a Garmin on USB.
grep -qxF 'SUBSYSTEM=="usb", ATTR{idVendor}=="091e", ATTR{idProduct}=="0003", TAG+="uaccess"' \
    "$unpacked/usr/lib/udev/rules.d/70-kelvaron-garmin.rules" ||
    fail "70-kelvaron-garmin.rules does not give the seat's user the Garmin USB units"

# The newest changelog entry names the version the package carries.
version=$(dpkg-deb -f "$deb" Version)
top=$(zcat "$unpacked/usr/share/doc/kelvaron/changelog.gz" | sed -n 1p)
[[ $top == "kelvaron ($version) "* ]] || fail "changelog.gz begins \"$top\", not version $version"

# Warnings are allowed (no manual pages yet, for one); errors are not.
if ! command -v lintian >/dev/null; then
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends lintian >/dev/null
fi
echo "== lintian $(basename "$deb")"
lintian --fail-on error "$deb" || fail "lintian found errors in $(basename "$deb")"

desktop-file-validate "$unpacked/usr/share/applications/kelvaron.desktop"

echo "== installing $(basename "$deb")"
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "$deb" >/dev/null
trap 'rm -rf "$unpacked"; "${sudo_cmd[@]}" apt-get remove -y -qq kelvaron >/dev/null' EXIT
command -v kelvaron >/dev/null || fail "kelvaron is not on the PATH after installing"

# A first start in a fresh home: the window opens (with its first-use message) and stays.
home=$(mktemp -d)
env -u QT_QPA_PLATFORM HOME="$home" XDG_CONFIG_HOME="$home/config" \
    setsid xvfb-run -a sh -c 'touch "$1/started"; kelvaron; echo $? > "$1/ended"' sh "$home" \
    >"$home/log" 2>&1 &
runner=$!
for _ in $(seq 100); do [[ -f $home/started ]] && break; sleep 0.1; done
sleep 3
running=0
[[ -f $home/started && ! -f $home/ended ]] && running=1
kill -- -"$runner" 2>/dev/null || true
wait "$runner" 2>/dev/null || true
if ((!running)); then
    cat "$home/log" >&2
    fail "the installed kelvaron did not keep running under xvfb-run (exit $(cat "$home/ended" 2>/dev/null || echo '?'))"
fi
rm -rf "$home"
echo "ci-package: the installed kelvaron was running after 3 s; removing the package"
