#!/bin/sh
# Draws the simulator's cover pictures (JPEG and PNG, several sizes and shapes)
# and writes their list "dateien.txt" (CR LF line ends, file order = priority).
# Usage: make_covers.sh OUTDIR CONVERT
set -eu
out=$1
im=$2
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
font=$(fc-match -f '%{file}' 'DejaVu Sans:bold' 2>/dev/null || true)
: >"$tmp/list"

# cover FILE WIDTH HEIGHT COLOUR1 COLOUR2 ACCENT TITLE ARTIST
cover() {
  name=$1 w=$2 h=$3 c1=$4 c2=$5 accent=$6 title=$7 artist=$8
  fmt=""
  case $name in *.png) fmt="PNG24:" ;; esac
  s=$((w < h ? w : h))
  big=$((s / 9))
  # Long titles on narrow covers get smaller letters so they fit.
  fit=$((w * 12 / (10 * ${#title})))
  [ "$fit" -lt "$big" ] && big=$fit
  small=$((s / 16))
  r1=$((s * 2 / 5))
  r2=$((s / 4))
  "$im" -size "${w}x${h}" "gradient:$c1-$c2" \
    -fill "$accent" -draw "fill-opacity 0.35 circle $((w * 2 / 3)),$((h / 3)) $((w * 2 / 3 + r1)),$((h / 3))" \
    -fill white -draw "fill-opacity 0.12 circle $((w / 4)),$((h * 3 / 5)) $((w / 4 + r2)),$((h * 3 / 5))" \
    -stroke white -strokewidth $((s / 120 + 1)) -fill none \
    -draw "stroke-opacity 0.5 path 'M 0,$((h * 7 / 10)) L $((w / 5)),$((h * 6 / 10)) L $((w * 2 / 5)),$((h * 3 / 4)) L $((w * 3 / 5)),$((h * 6 / 10)) L $((w * 4 / 5)),$((h * 7 / 10)) L $w,$((h * 6 / 10))'" \
    -stroke none -fill white ${font:+-font "$font"} -gravity southwest \
    -pointsize "$big" -annotate "+$((s / 16))+$((s / 16 + small * 2))" "$title" \
    -pointsize "$small" -fill "#e8e8e8" -annotate "+$((s / 16))+$((s / 16))" "$artist" \
    -depth 8 -quality 88 "$fmt$tmp/picture.${name##*.}"
  mv "$tmp/picture.${name##*.}" "$out/$name"
  printf '%s\r\n' "$name" >>"$tmp/list"
}

cover "Kelp Circuit - Low Tide Roller (Night Harbour).jpg" 600 600 "#06213a" "#118a8a" "#f2b134" "Low Tide Roller" "Kelp Circuit"
cover "Lumière Break - Café Sunrise - Côte Liquid.png" 400 400 "#3a0f2e" "#f08a4b" "#ffd166" "Café Sunrise" "Lumière Break"
cover "Marrow & Sine - Full Pressure [100% Jungle].jpg" 500 350 "#111111" "#5c0a0a" "#ff3b3b" "Full Pressure" "Marrow & Sine"
cover "STATIC GARDENS - Glasshouse Amen - Greenhouse Sessions.png" 240 400 "#0d3b1e" "#9bd770" "#e0f7c8" "Glasshouse Amen" "Static Gardens"
cover "Harbourline - Tidal Reese (Deep Water Frequencies).jpg" 1000 1000 "#001a33" "#2b6cb0" "#7fdbff" "Tidal Reese" "Harbourline"
cover "Nova Halyard - Orbit Steppers - Starboard Dubs.png" 150 150 "#14001f" "#6a3dbd" "#f5e663" "Orbit Steppers" "Nova Halyard"
cover "Tidemark Station Logo.png" 320 320 "#002b36" "#2aa198" "#fdf6e3" "Tidemark" "Drum and Bass FM"

mv "$tmp/list" "$out/dateien.txt"
