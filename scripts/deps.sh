# Installs the Debian packages Marklog needs to build, run and test, when any is missing.
# Sourced by scripts/start and scripts/test; safe to run again and again.

MARKLOG_PACKAGES=(
    cmake ninja-build g++ pkg-config ccache
    qt6-base-dev qt6-serialport-dev qt6-multimedia-dev qt6-qpa-plugins
    libgl-dev
    # the lap board: QR codes
    libqrencode-dev
    # packaging: the install-tree test validates with these; cpack and lintian build and check the .deb
    desktop-file-utils appstream shared-mime-info man-db dpkg-dev file lintian
)

# Only the tests need these (scripts/test installs them): the lap board's browser test drives
# chromium through Qt WebSockets; the system-call trace of the durability test; the printed PDF
# read back.
MARKLOG_TEST_PACKAGES=(qt6-websockets-dev chromium strace poppler-utils)

marklog_install_missing() {
    local missing=()
    for package in "${MARKLOG_PACKAGES[@]}" "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
