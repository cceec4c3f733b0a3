# Sourced by the set-up scripts.
#
#   install_missing PACKAGE...          installs the Debian packages not yet installed
#   install_build_depends [PROFILE...]  installs what debian/control's Build-Depends
#                                       lists for those build profiles (e.g. nocheck)
#
# Both use apt-get (through sudo when not root) and do nothing when all is in
# place. The working directory must be the top of the source tree.

apt_as_root() {
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get "$@"
}

install_missing() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    apt_as_root update -qq
    apt_as_root install -y -qq "${missing[@]}"
}

install_build_depends() {
    local profiles=()
    [ $# -gt 0 ] && profiles=(-P "$(IFS=,; echo "$*")")
    # dpkg-checkbuilddeps (dpkg-dev) answers quickly when nothing is missing.
    if command -v dpkg-checkbuilddeps >/dev/null &&
        dpkg-checkbuilddeps "${profiles[@]}" debian/control 2>/dev/null; then
        return 0
    fi
    echo "Installing the build dependencies of debian/control${1:+ (profiles: $*)}"
    apt_as_root update -qq
    apt_as_root build-dep -y -qq "${profiles[@]}" ./
}

# ensure_locale NAME (for example ko_KR.UTF-8) generates the locale once,
# with Debian's locales package.
ensure_locale() {
    local name=$1
    local normalized
    normalized=$(echo "$name" | sed 's/UTF-8$/utf8/')
    locale -a 2>/dev/null | grep -qx "$normalized" && return 0
    install_missing locales
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Generating the locale $name"
    $sudo sed -i "s/^# *\($name \)/\1/" /etc/locale.gen
    grep -q "^$name " /etc/locale.gen || echo "$name UTF-8" | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
}
