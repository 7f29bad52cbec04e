#!/usr/bin/env bash
# Redraws marbleStomper.ico (a 3 by 3 drum pad, one pad lit, one struck) with ImageMagick.
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp --suffix=.png)
trap 'rm -f "$tmp"' EXIT
pad() { printf "roundrectangle %d,%d %d,%d 10,10" "$1" "$2" $(($1 + 58)) $(($2 + 58)); }
/usr/bin/convert -size 256x256 xc:none \
  -fill '#2b2f36' -draw 'roundrectangle 8,8 247,247 36,36' \
  -fill '#454b55' -draw "$(pad 30 30)" -draw "$(pad 99 30)" -draw "$(pad 168 30)" \
  -draw "$(pad 30 99)" -draw "$(pad 168 99)" -draw "$(pad 30 168)" -draw "$(pad 99 168)" \
  -fill '#ffcc22' -draw "$(pad 99 99)" \
  -fill '#e8554e' -draw "$(pad 168 168)" \
  "$tmp"
/usr/bin/convert "$tmp" -define icon:auto-resize=256,48,32,16 marbleStomper.ico
