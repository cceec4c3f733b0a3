# Sourced by the set-up scripts: install_missing PACKAGE... installs, with
# apt-get (through sudo when not root), the Debian packages not yet installed.
install_missing() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
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
