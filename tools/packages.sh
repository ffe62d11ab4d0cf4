# Debian packages the scripts need, and a helper that installs the missing
# ones. Sourced by run.sh and test.sh.

RUN_PACKAGES=(qt6-base-dev libgif-dev libxcb1-dev libcurl4-openssl-dev libfontconfig-dev cmake g++ make fonts-wqy-microhei)
# The Windows build (tools/windows/build.sh), besides RUN_PACKAGES: the cross
# compiler in the thread model Qt 6 needs, Qt's moc, rcc and uic for this
# machine, and ninja.
WINDOWS_BUILD_PACKAGES=(g++-mingw-w64-x86-64-posix qt6-base-dev-tools ninja-build xz-utils)
# libc6-dbg: the symbols of the system's loader, by which LeakSanitizer
# knows the thread-local blocks it hands out (its own rule for
# __tls_get_addr); without them, on a machine that lacks the package, a
# library's thread-local variable (libjpeg-turbo's) reads as a leak.
TEST_PACKAGES=(xvfb xauth xdotool openbox trayer dbus dbus-bin python3-dbusmock xdg-utils systemd
               x11-utils x11-xserver-utils imagemagick g++-mingw-w64-x86-64-win32
               clang libclang-rt-14-dev libc6-dbg
               qt6-wayland weston sway wayvnc wtype grim xwayland
               desktop-file-utils appstream dpkg-dev file
               gnome-shell gnome-shell-extension-appindicator gjs
               kwin-wayland kwin-x11 plasma-workspace plasma-desktop kde-spectacle breeze
               plasma-framework plasma-integration qml-module-org-kde-kirigami2 qtwayland5
               at-spi2-core python3-pyatspi
               xfce4-session xfwm4 xfce4-panel xfdesktop4 xfce4-notifyd xfce4-settings xfconf
               ukui-session-manager ukwm ukui-panel ukui-notification-daemon ukui-settings-daemon ukui-themes
               ukui-window-switch ukui-power-manager ukui-control-center peony qt5-ukui-platformtheme
               dconf-gsettings-backend dconf-cli libglib2.0-bin
               "${WINDOWS_BUILD_PACKAGES[@]}" wine wine64 fonts-wine locales)

as_root() {
    if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

ensure_packages() {
    local missing=() package
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
