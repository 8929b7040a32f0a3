#!/bin/sh
# Installs everything Spoolsight needs to build, test and benchmark on Debian; or, given package
# names, those packages.
set -eu
DEFAULT_PACKAGES="build-essential cmake ninja-build pkg-config git
 libcairo2-dev libfreetype-dev libfontconfig-dev libpng-dev zlib1g-dev fonts-liberation fonts-liberation2
 fonts-urw-base35 fonts-dejavu-core
 libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-dev clang-format clang-tidy
 emf2svg librsvg2-bin poppler-utils python3 gnuplot-nox
 libgdk-pixbuf-2.0-dev libgdk-pixbuf2.0-bin shared-mime-info
 libjbig-dev jbigkit-bin printer-driver-foo2zjs ghostscript plotutils libjpeg-dev hershey-fonts-data hp2xx printer-driver-hpijs"
PACKAGES=${*:-$DEFAULT_PACKAGES}
missing=""
for p in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    command -v sudo > /dev/null 2>&1 || { echo "setup-debian.sh: run as root, or install sudo, to install:$missing" >&2; exit 1; }
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
