#!/bin/sh
# Installs the Debian 12 packages the build and the tests need; skips apt when all are present.
set -eu
PKGS="build-essential cmake ninja-build pkg-config qtbase5-dev qtbase5-dev-tools libqt5svg5-dev \
libqt5sql5-sqlite qttools5-dev qttools5-dev-tools libquazip1-qt5-dev libzip-dev zipcmp zipmerge ziptool \
libsqlite3-dev libssl-dev libavformat-dev libavcodec-dev libswscale-dev libavutil-dev ffmpeg \
xvfb xauth fonts-dejavu-core time \
apache2 apache2-utils lighttpd lighttpd-mod-webdav nginx-extras rclone curl libcurl4-openssl-dev qtkeychain-qt5-dev"
MISSING=""
for p in $PKGS; do
    dpkg -s "$p" >/dev/null 2>&1 || MISSING="$MISSING $p"
done
[ -z "$MISSING" ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
# The WebDAV servers are only for the tests, which start their own on loopback: keep the packages
# from starting system daemons (Apache and nginx would both claim port 80, and the second one's
# installation would fail).
POLICY=/usr/sbin/policy-rc.d
if [ ! -e "$POLICY" ]; then
    printf '#!/bin/sh\nexit 101\n' | $SUDO tee "$POLICY" >/dev/null
    $SUDO chmod 755 "$POLICY"
    trap '$SUDO rm -f "$POLICY"' EXIT
fi
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends $MISSING
