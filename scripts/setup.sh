#!/usr/bin/env bash
# Installs the Debian packages Velmora needs to build, run and test.
# Idempotent: asks apt only when something is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config clang-format
  qt6-base-dev qt6-svg-dev libqpdf-dev qt6-image-formats-plugins libqt6svg6 zlib1g-dev
  libreoffice-writer-nogui libreoffice-draw-nogui libreoffice-dev
  fonts-liberation2 fonts-ebgaramond fonts-noto-color-emoji
  # the designs' typefaces
  fonts-lato fonts-arapey fonts-linuxlibertine fonts-urw-base35 fonts-cherrybomb
  fonts-quicksand fonts-league-spartan fonts-bebas-neue
  xvfb xauth xdotool
  dpkg-dev file
  desktop-file-utils appstream
  # the integration tests render and read the saved invitation with these
  poppler-utils catdoc antiword calligrawords unzip
  # the photo test makes a CMYK JPEG with PIL
  python3-pil
  # the calendar event is read back by python3-icalendar
  python3-icalendar
  # the RSVP code: its encoder, and zbarimg to read it back
  libqrencode-dev zbar-tools
  # the tagged PDF's structure is read back by pikepdf
  python3-pikepdf
  # "Send by E-mail…" hands the message to the user's mail program
  xdg-utils
  # printing: the CUPS client library to build with, and a print service
  # with a PDF printer that the print test sets up its own queue on
  libcups2-dev cups printer-driver-cups-pdf
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
    || missing+=("$package")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
