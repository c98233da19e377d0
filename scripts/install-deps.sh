#!/usr/bin/env bash
# Installs what DepExport needs to build, test and run on Debian 12, skipping
# what is installed already. Runs as root (or through sudo when available).
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libgl1-mesa-dev
  mdbtools mdbtools-dev
  libsqlite3-dev
  libssl-dev openssl rapidjson-dev
  unixodbc unixodbc-dev tdsodbc odbc-postgresql
  postgresql
  xvfb xauth fonts-wine
  locales
  # the installed files' checks and the Debian package (cpack -G DEB, lintian)
  desktop-file-utils appstream man-db systemd bash-completion file dpkg-dev lintian
  nodejs npm
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# Debian's nodejs is enough for the second .mdb reader; a newer node on the PATH is fine too.
if command -v node >/dev/null && command -v npm >/dev/null; then
  missing=("${missing[@]/nodejs}"); missing=("${missing[@]/npm}")
fi
read -r -a missing <<< "${missing[*]}"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The tests run under an Austrian locale, as on the users' desktops, and
# under a US one besides C: generate them when the machine lacks them.
for name in de_AT en_US; do
  if ! locale -a 2>/dev/null | grep -qix "$name\.utf-\?8"; then
    echo "Generating locale $name.UTF-8"
    # status 1: created, with warnings about the locale's sources
    $sudo localedef -i "$name" -c -f UTF-8 "$name.UTF-8" || [ $? -eq 1 ]
  fi
done
