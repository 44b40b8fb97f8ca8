# Installs the Debian packages Marklog needs, when any is missing. Sourced by scripts/start and
# scripts/test (and the other scripts); safe to run again and again.

# What building and running the program need: scripts/start installs these only.
MARKLOG_PACKAGES=(
    cmake ninja-build g++ pkg-config ccache
    qt6-base-dev qt6-serialport-dev qt6-multimedia-dev qt6-qpa-plugins
    libgl-dev
    # the lap board's QR codes
    libqrencode-dev
    # the program registers the ".stn" file type for the user at start
    desktop-file-utils shared-mime-info
)

# What only the tests need besides: scripts/test adds these.
MARKLOG_TEST_PACKAGES=(
    # the lap board's browser test drives chromium through Qt WebSockets
    qt6-websockets-dev chromium
    # the system-call trace of the durability test; the printed PDF read back
    strace poppler-utils
    # the results CSV read back by Python's CSV reader
    python3
    # window placement under a real X server with a window manager
    xvfb openbox
    # packaging: the install-tree test validates with these; cpack and lintian build and check the .deb
    appstream man-db dpkg-dev file lintian
)

# Installs MARKLOG_PACKAGES and the packages named as arguments that are not installed yet.
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
