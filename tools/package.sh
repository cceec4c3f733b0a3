#!/usr/bin/env bash
# Builds the Debian package with dpkg-buildpackage, in build-package/:
#
#   tools/package.sh           velmora_<version>_<arch>.deb (and its debug symbols),
#                              and the source package velmora_<version>.dsc
#   tools/package.sh --check   the same, building and running the test suite too
#
# Installs what debian/control says the build needs (Debian 12, through sudo
# when not root). The build runs on a copy of the tree's files (those git
# tracks, plus new ones it does not ignore), so build folders and editor
# files stay out of it and nothing is written beside the tree.
# Install the result with: sudo apt-get install ./build-package/velmora_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

check=no
[ "${1:-}" = "--check" ] && check=yes

. tools/install-missing.sh
install_missing dpkg-dev git
if [ "$check" = yes ]; then
    install_build_depends
    profiles=()
else
    install_build_depends nocheck
    profiles=(-Pnocheck)
    export DEB_BUILD_OPTIONS="nocheck${DEB_BUILD_OPTIONS:+ $DEB_BUILD_OPTIONS}"
fi

version=$(dpkg-parsechangelog -S Version)
out=build-package
tree=$out/velmora-$version
rm -rf "$out"
mkdir -p "$tree"
git ls-files -z --cached --others --exclude-standard |
    xargs -0 -I{} sh -c '[ -e "$1" ] && printf "%s\0" "$1"' _ {} |
    tar --null -T - -cf - | tar -xf - -C "$tree"

(cd "$out" && dpkg-source -b "velmora-$version" >/dev/null)

(cd "$tree" && dpkg-buildpackage -us -uc -b "${profiles[@]}" > ../build.log 2>&1) || {
    tail -n 40 "$out/build.log" >&2
    echo "tools/package.sh: the package build failed; the whole log is $out/build.log" >&2
    exit 1
}
for deb in "$out"/velmora_*.deb; do
    echo "$deb ($(du -h "$deb" | cut -f1))"
done
