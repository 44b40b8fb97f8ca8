#!/usr/bin/env bash
# Installs a build into a scratch root (DESTDIR, prefix /usr) and checks what a package would
# ship; the desktop entry, MIME package and AppStream metadata as the desktop's own tools read them.
#   check_install.sh <build-folder> <scratch-root> <version>
# Exit 0: all passed; 1: a check failed; 77: a validating tool is missing, all else passed.
set -uo pipefail
build="$1"
root="$2"
version="$3"
failures=0
missing=()

fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
have() {
    if command -v "$1" >/dev/null 2>&1; then return 0; fi
    echo "SKIP: $1 is not installed ($2)"
    missing+=("$1")
    return 1
}

rm -rf "$root"
if ! DESTDIR="$root" cmake --install "$build" --prefix /usr >"$root.log" 2>&1; then
    cat "$root.log"
    echo "FAIL: cmake --install"
    exit 1
fi
usr="$root/usr"

# The file list: exactly these files, no more.
expected=(
    bin/marklog
    share/applications/marklog.desktop
    share/doc/marklog/changelog.Debian.gz
    share/doc/marklog/copyright
    share/icons/hicolor/scalable/apps/marklog.svg
    share/man/man1/marklog.1.gz
    share/marklog/guide/marklog-guide-de.html
    share/marklog/guide/marklog-guide-en.html
    share/marklog/marklog.svg
    share/marklog/sound.wav
    share/metainfo/org.example.marklog.metainfo.xml
    share/mime/packages/marklog.xml
)
sizes=(16 32 48 64 128 256)
for size in "${sizes[@]}"; do expected+=("share/icons/hicolor/${size}x${size}/apps/marklog.png"); done
actual="$(cd "$usr" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)"
wanted="$(printf '%s\n' "${expected[@]}" | LC_ALL=C sort)"
if [ "$actual" != "$wanted" ]; then
    fail "install tree differs from the expected list:"
    diff <(echo "$wanted") <(echo "$actual") | sed -n 's/^[<>]/  &/p'
fi

# Permissions: the program 0755, data 0644, folders 0755.
odd="$(find "$usr" \( -type d ! -perm 0755 \) -o \( -type f ! -path "$usr/bin/*" ! -perm 0644 \) \
    -o \( -type f -path "$usr/bin/*" ! -perm 0755 \))"
[ -z "$odd" ] || fail "unexpected permissions: $odd"

if have readelf "run-time search path" && readelf -d "$usr/bin/marklog" | grep -Eq 'RPATH|RUNPATH'; then
    fail "bin/marklog carries an RPATH/RUNPATH"
fi

# PNG width and height (bytes 16-23 of the header) match the folder they are installed in.
for size in "${sizes[@]}"; do
    png="$usr/share/icons/hicolor/${size}x${size}/apps/marklog.png"
    [ -f "$png" ] || continue
    read -r w1 w2 w3 w4 h1 h2 h3 h4 < <(od -An -tu1 -j16 -N8 "$png")
    width=$(((w1 << 24) | (w2 << 16) | (w3 << 8) | w4))
    height=$(((h1 << 24) | (h2 << 16) | (h3 << 8) | h4))
    [ "$width" = "$size" ] && [ "$height" = "$size" ] || fail "icon ${size}x${size} is ${width}x${height}"
done

# gzip -9n: intact, best compression flag (byte 8 = 2) and no time stamp (bytes 4-7 = 0).
for gz in "$usr/share/man/man1/marklog.1.gz" "$usr/share/doc/marklog/changelog.Debian.gz"; do
    [ -f "$gz" ] || continue
    read -r m1 m2 m3 m4 xfl < <(od -An -tu1 -j4 -N5 "$gz")
    [ "$m1$m2$m3$m4" = "0000" ] && [ "$xfl" = 2 ] || fail "$gz is not compressed with gzip -9n"
done
if have man "man page rendering"; then
    warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$usr/share/man/man1/marklog.1.gz" 2>&1 >/dev/null)"
    [ -z "$warnings" ] || fail "man page: $warnings"
fi

desktop="$usr/share/applications/marklog.desktop"
if have desktop-file-validate "desktop-file-utils"; then
    output="$(desktop-file-validate "$desktop" 2>&1)" && [ -z "$(grep -v 'hint:' <<<"$output")" ] ||
        fail "desktop-file-validate: $output"
fi
grep -qx 'Exec=marklog %f' "$desktop" || fail "desktop entry does not start marklog with the file"
grep -qx 'MimeType=application/x-marklog-stn;' "$desktop" || fail "desktop entry lacks the record file type"
grep -qx 'Icon=marklog' "$desktop" && ! grep -q '^NoDisplay=true' "$desktop" || fail "desktop entry: icon or menu entry"

mime="$usr/share/mime/packages/marklog.xml"
if have update-mime-database "shared-mime-info"; then
    database="$root/mime-database"
    mkdir -p "$database/packages" && cp "$mime" "$database/packages/"
    update-mime-database "$database" >/dev/null 2>&1 &&
        grep -q ':application/x-marklog-stn:\*\.stn$' "$database/globs2" ||
        fail "update-mime-database does not accept the MIME package"
fi

if have appstreamcli "appstream"; then
    output="$(appstreamcli validate-tree --no-net "$usr" 2>&1)" || fail "appstreamcli validate-tree: $output"
fi

# No address that leads nowhere (the reserved example domains are placeholders), and descriptions
# that name what the program does.
metainfo="$usr/share/metainfo/org.example.marklog.metainfo.xml"
placeholders="$(grep -HoE 'https?://[^"<> ]*example\.(org|com|net)[^"<> ]*' "$metainfo" "$desktop" "$build/CPackConfig.cmake")"
[ -z "$placeholders" ] || fail "addresses that do not exist: $placeholders"
for description in "$metainfo" "$build/CPackConfig.cmake"; do
    for feature in "start list" "results" "lap board"; do
        grep -qi "$feature" "$description" || fail "$(basename "$description") does not describe the $feature"
    done
done

# A new version also needs its release in the AppStream metadata and its man page header.
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo has no release $version"
gzip -dc "$usr/share/man/man1/marklog.1.gz" | grep -q "^\.TH MARKLOG 1 .*\"Marklog $version\"" ||
    fail "man page header does not name Marklog $version"
zgrep -q "^marklog ($version-" "$usr/share/doc/marklog/changelog.Debian.gz" || fail "changelog lacks $version"

if [ "$failures" -gt 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
if [ "${#missing[@]}" -gt 0 ]; then
    echo "Not validated, tools missing: ${missing[*]} (scripts/deps.sh installs them)"
    exit 77
fi
echo "All packaging checks passed"
