#!/usr/bin/env bash
# check_examples.sh <folder of the built examples> <output folder> [--update]
#
# Runs each example on the pictures in pictures/ with LUMARIX_ISA at plain, sse2 and avx2 and
# compares the output's SHA-256 with expected.sha256: the library gives the same bytes at every
# level, so one hash per picture. --update rewrites expected.sha256 from the plain run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
bin=$1 out=$2 update=${3:-}
pics=$here/pictures
mkdir -p "$out"
run() {
  "$bin/blend_transition" "$pics/a.bmp" "$pics/b.bmp" "$1/blend_transition.bmp"
  "$bin/zoom_rotate" "$pics/b.bmp" "$1/zoom_rotate.bmp"
  "$bin/decorated_text" "$pics/landscape.bmp" "$1/decorated_text.bmp"
}
if [ "$update" = --update ]; then
  LUMARIX_ISA=plain run "$out"
  (cd "$out" && sha256sum blend_transition.bmp zoom_rotate.bmp decorated_text.bmp) >"$here/expected.sha256"
  exit 0
fi
for isa in plain sse2 avx2; do
  mkdir -p "$out/$isa"
  LUMARIX_ISA=$isa run "$out/$isa"
  (cd "$out/$isa" && sha256sum --quiet -c "$here/expected.sha256") || { echo "FAIL at LUMARIX_ISA=$isa" >&2; exit 1; }
  echo "examples at LUMARIX_ISA=$isa: pictures as expected"
done
