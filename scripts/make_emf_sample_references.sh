#!/bin/sh
# Pictures of the sample EMF pages in ../shared/corpus/emf-samples by the two independent
# players, kept small and grey in tests/data/emf-samples for the playback comparison test:
#   NAME.wine.png  Wine's GDI playing the page onto its frame at 192 dpi
#   NAME.e2s.png   emf2svg's SVG of the page (its bounds) drawn by rsvg-convert
# Needs ../shared/oracles/emfplay (Wine), emf2svg-conv, rsvg-convert and ImageMagick.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
samples="$here/../shared/corpus/emf-samples"
out="$here/tests/data/emf-samples"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
small() { convert "$1" -background white -flatten -colorspace Gray -filter Box -resize 384x "$2"; }
for page in "$samples"/*.emf; do
    name=$(basename "$page" .emf)
    "$here/../shared/oracles/emfplay" "$page" "$work/$name.wine.png" 192 >/dev/null 2>&1 &&
        small "$work/$name.wine.png" "$out/$name.wine.png" || echo "$name: Wine could not play it" >&2
    emf2svg-conv -i "$page" -o "$work/$name.svg" &&
        rsvg-convert -w 1400 "$work/$name.svg" -o "$work/$name.e2s.png" &&
        small "$work/$name.e2s.png" "$out/$name.e2s.png" || echo "$name: emf2svg could not draw it" >&2
done
