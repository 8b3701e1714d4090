#!/usr/bin/env bash
# Installs what building, running and testing KEV_DUX needs on Debian 12.
# Idempotent: quiet and quick when everything is present. Run as root (or with sudo).
set -euo pipefail

PACKAGES=(
  # toolchain
  cmake g++ ninja-build pkg-config
  # Qt 6 (Core, Gui, Widgets, PrintSupport); the SVG icon engine for the
  # tool-bar and menu icons; Qt's own translations for its dialogs
  qt6-base-dev qt6-svg-dev qt6-translations-l10n
  # documents, workbooks, database
  libpugixml-dev libxlsxwriter-dev libzip-dev unixodbc-dev
  # Word documents read back by independent clients in the tests
  libreoffice-writer-nogui python3-docx poppler-utils
  # database tests: ODBC drivers for SQLite, PostgreSQL (with a server) and FreeTDS
  libsqliteodbc odbc-postgresql postgresql tdsodbc
  # reading our BMP pictures back in tests
  python3-pil
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  # independent readers of the report output: PDF text and boxes, EMF records and SVG
  poppler-utils emf2svg printemf librsvg2-bin
  # independent readers of the written workbooks
  libreoffice-calc-nogui python3-openpyxl
  # the pile-reader fuzz target (libFuzzer)
  clang-14 libclang-rt-14-dev
  # fonts: Chinese faces and the metric-compatible Arial
  fonts-noto-cjk fonts-liberation2 fontconfig
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "install-deps: run as root to install: ${missing[*]}" >&2; exit 1; }
  SUDO=sudo
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
