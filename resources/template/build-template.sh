#!/usr/bin/env bash
# Rebuilds invitation.dot (Word 97-2003 template) from invitation.fodt and the SVG
# pictures in art/, and its text-only twin bench/invitation-text-only.dot, then
# checks both.  Developer tool: it installs what it
# needs itself (LibreOffice's Python bridge and rsvg-convert); the program's build
# only uses the committed invitation.dot.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"

need=()
/usr/bin/python3 -c 'import uno' 2>/dev/null || need+=(python3-uno)
command -v rsvg-convert >/dev/null || need+=(librsvg2-bin)
command -v soffice >/dev/null || need+=(libreoffice-writer-nogui)
fc-list | grep -qi 'EB Garamond' || need+=(fonts-ebgaramond)
if ((${#need[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get install -y --no-install-recommends "${need[@]}"
fi

# LibreOffice's Python bridge is built for the system interpreter.
/usr/bin/python3 "$here/build-template.py" "$here/invitation.fodt" "$here/invitation.dot"
/usr/bin/python3 "$here/check-template.py" "$here/invitation.dot"
# Its text-only twin, for the click benchmark only: the same page without its art.
/usr/bin/python3 "$here/build-template.py" "$here/invitation.fodt" \
  "$here/../../bench/invitation-text-only.dot" --text-only
/usr/bin/python3 "$here/check-template.py" "$here/../../bench/invitation-text-only.dot"
