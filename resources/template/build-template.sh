#!/usr/bin/env bash
# Rebuilds every design's Word 97-2003 template from its Flat ODT source and the
# SVG pictures in its art/ folder, and the shipped design's text-only twin
# bench/invitation-text-only.dot, then checks each. The shipped design lives in
# this folder, the others in designs/NAME/. Developer tool: it installs what it
# needs itself (LibreOffice's Python bridge and rsvg-convert); the program's
# build only uses the committed templates.
# Usage: build-template.sh [DESIGN_FOLDER ...]   (default: every design)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

need=()
/usr/bin/python3 -c 'import uno' 2>/dev/null || need+=(python3-uno)
command -v rsvg-convert >/dev/null || need+=(librsvg2-bin)
command -v soffice >/dev/null || need+=(libreoffice-writer-nogui)
# The designs' typefaces (scripts/setup.sh installs the same).
for font in fonts-ebgaramond fonts-lato fonts-arapey fonts-linuxlibertine fonts-urw-base35 \
  fonts-cherrybomb fonts-quicksand fonts-league-spartan fonts-bebas-neue; do
  dpkg-query -W -f='${Status}' "$font" 2>/dev/null | grep -q "install ok installed" || need+=("$font")
done
if ((${#need[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get install -y --no-install-recommends "${need[@]}"
fi

if (($#)); then
  folders=("$@")
else
  folders=("$here")
  for folder in "$here"/designs/*/; do
    [ -f "$folder/invitation.fodt" ] && folders+=("${folder%/}")
  done
fi

# LibreOffice's Python bridge is built for the system interpreter.
for folder in "${folders[@]}"; do
  /usr/bin/python3 "$here/build-template.py" "$folder/invitation.fodt" "$folder/invitation.dot"
  /usr/bin/python3 "$here/check-template.py" "$folder/invitation.dot"
done
# The shipped design's text-only twin, for the click benchmark only: the same
# page without its art.
if [[ " ${folders[*]} " == *" $here "* ]]; then
  /usr/bin/python3 "$here/build-template.py" "$here/invitation.fodt" \
    "$here/../../bench/invitation-text-only.dot" --text-only
  /usr/bin/python3 "$here/check-template.py" "$here/../../bench/invitation-text-only.dot" \
    "$here/design.json"
fi
