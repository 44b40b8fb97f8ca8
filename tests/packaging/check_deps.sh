#!/usr/bin/env bash
# The start command installs what building and running the program need, and no test tools; the
# test command installs those as well. Both run with stand-ins: dpkg-query finds nothing installed,
# apt-get notes what it is asked to install, cmake fails and so ends the script there.
#   check_deps.sh SOURCE_DIR
set -u
root="$1"
stubs="$(mktemp -d)"
trap 'rm -rf "$stubs"' EXIT
printf '#!/bin/sh\nexit 1\n' >"$stubs/dpkg-query"
cp "$stubs/dpkg-query" "$stubs/cmake"
printf '#!/bin/sh\nexec "$@"\n' >"$stubs/sudo"
cat >"$stubs/apt-get" <<STUB
#!/bin/sh
[ "\$1" = install ] || exit 0
for argument in "\$@"; do case "\$argument" in install|-*) ;; *) echo "\$argument" ;; esac; done >>"$stubs/asked"
STUB
chmod +x "$stubs"/*

installs() {
    : >"$stubs/asked"
    PATH="$stubs:$PATH" "$root/scripts/$1" >/dev/null 2>&1
    cat "$stubs/asked"
}
start="$(installs start)"
test="$(installs test)"
failed=0
for package in cmake g++ qt6-base-dev qt6-serialport-dev qt6-multimedia-dev libqrencode-dev; do
    grep -qx "$package" <<<"$start" || { echo "scripts/start does not install $package"; failed=1; }
done
for package in chromium lintian strace poppler-utils python3 xvfb openbox appstream qt6-websockets-dev; do
    grep -qx "$package" <<<"$start" && { echo "scripts/start installs the test tool $package"; failed=1; }
    grep -qx "$package" <<<"$test" || { echo "scripts/test does not install $package"; failed=1; }
done
exit $failed
