#!/bin/sh
# Draws the simulator's cover pictures and writes their list "dateien.txt" the way a
# station's hand-kept list looks: some three hundred names in mixed case, spaces,
# '%', '+', '#', '?', non-ASCII letters, a byte-order mark, CR LF, LF and lone CR line
# ends, an empty line, and a last line without an end.
# Usage: make_covers.sh OUTDIR CONVERT
set -eu
out=$1
im=$2
# Old names must not linger: the simulator serves whatever the folder holds.
rm -rf "$out"
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
font=$(fc-match -f '%{file}' 'DejaVu Sans:bold' 2>/dev/null || true)
list="$tmp/list"
printf '\357\273\277' >"$list"

# Appends one name to the list. The line end is written before the next name, so
# the last one has none. Most ends are CR LF; every 7th is LF, every 11th a lone CR.
lines=0
pending=""
entry() {
  lines=$((lines + 1))
  printf "$pending%s" "$1" >>"$list"
  if [ $((lines % 11)) -eq 0 ]; then
    pending='\r'
  elif [ $((lines % 7)) -eq 0 ]; then
    pending='\n'
  else
    pending='\r\n'
  fi
}

# cover FILE WIDTH HEIGHT COLOUR1 COLOUR2 ACCENT TITLE ARTIST: a song's cover, drawn
# under a plain name first because ImageMagick reads '%' and '[' in file names.
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
}

# The default songs' covers (playlist.cpp). Their names hold every word of the song;
# '#' and '?' cut what the program requests short, so the host looks them up by the
# part before.
kelp="Kelp Circuit - Low Tide Roller (Night Harbour).jpg"
lumiere="Lumière Break - Café Sunrise - Côte Liquid.png"
marrow="Marrow & Sine - Full Pressure [100% Jungle].jpg"
gardens="STATIC GARDENS - Glasshouse Amen - Greenhouse Sessions.png"
harbour="Harbourline - Tidal Reese #2 (Deep Water Frequencies).jpg"
nova="Nova Halyard + Crew - Orbit Steppers (Starboard Dubs) Why Not?.png"
cover "$kelp" 600 600 "#06213a" "#118a8a" "#f2b134" "Low Tide Roller" "Kelp Circuit"
cover "$lumiere" 400 400 "#3a0f2e" "#f08a4b" "#ffd166" "Café Sunrise" "Lumière Break"
cover "$marrow" 500 350 "#111111" "#5c0a0a" "#ff3b3b" "Full Pressure" "Marrow & Sine"
cover "$gardens" 240 400 "#0d3b1e" "#9bd770" "#e0f7c8" "Glasshouse Amen" "Static Gardens"
cover "$harbour" 1000 1000 "#001a33" "#2b6cb0" "#7fdbff" "Tidal Reese" "Harbourline"
cover "$nova" 150 150 "#14001f" "#6a3dbd" "#f5e663" "Orbit Steppers" "Nova Halyard"
cover "Tidemark Station Logo.png" 320 320 "#002b36" "#2aa198" "#fdf6e3" "Tidemark" "Drum and Bass FM"
cover "MC X - Dub Step (Remix).jpg" 200 200 "#202020" "#606060" "#00ff99" "Dub Step" "MC X"
cover "Dub Step.jpg" 200 200 "#402000" "#a06020" "#ffcc00" "Dub Step" "Various"

# Other stations' songs: small gradients, all drawn by one ImageMagick run.
artists="DJ Brine
Saltmarsh
MC Kraken
Ebb & Flow
Riptide Rhythm
Gull Sound System
Nautilus
Dr. Barnacle
Sound Of The Undertow
Ölfeld
Κύμα
Волна
Lagoon + Reef
Señor Sonar
The 100% Crew
Coral #9
Pier Pressure
Jetty Jungle
Estuary
Breakwater"
titles="Amen Tides
Rolling Fog
Foghorn Dub
Halyard Step
Bilge Bassline
Spring Tide
Neap
Capstan
Swell
Trawler
Kelp Forest
Lighthouse
Moonpool
Shoal
Sandbar"
i=0
set --
names="$tmp/names"
: >"$names"
echo "$artists" >"$tmp/artists"
echo "$titles" >"$tmp/titles"
while IFS= read -r artist; do
  while IFS= read -r title; do
    i=$((i + 1))
    case $((i % 4)) in 0) ext=jpg ;; 1) ext=JPG ;; 2) ext=png ;; *) ext=jpeg ;; esac
    case $((i % 5)) in
      0) name=$(printf '%s - %s' "$artist" "$title" | tr '[:lower:]' '[:upper:]') ;;
      1) name=$(printf '%s - %s' "$artist" "$title" | tr '[:upper:]' '[:lower:]') ;;
      *) name="$artist - $title" ;;
    esac
    name="$name.$ext"
    c1=$(printf '#%02x%02x%02x' $((i * 37 % 200)) $((i * 91 % 200)) $((i * 53 % 200)))
    c2=$(printf '#%02x%02x%02x' $((i * 17 % 255)) $((255 - i % 200)) $((i * 29 % 255)))
    set -- "$@" -size 64x64 "gradient:$c1-$c2" -write "$tmp/f$i.$ext" +delete
    printf '%s\t%s\n' "f$i.$ext" "$name" >>"$names"
  done <"$tmp/titles"
done <"$tmp/artists"
"$im" "$@" -quality 80 -size 1x1 xc:black null:
while IFS="$(printf '\t')" read -r file name; do
  mv "$tmp/$file" "$out/$name"
done <"$names"

# The list: fillers first (the BOM goes with the first), the songs' covers among
# them, and an empty line, as hand-kept lists have.
n=0
while IFS="$(printf '\t')" read -r file name; do
  n=$((n + 1))
  entry "$name"
  case $n in
    20) entry "Dub Step.jpg" ; entry "MC X - Dub Step (Remix).jpg" ;;
    40) entry "$kelp" ;;
    75) entry "$lumiere" ;;
    110) entry "" ; entry "$marrow" ;;
    150) entry "$gardens" ;;
    190) entry "$harbour" ;;
    230) entry "$nova" ;;
  esac
done <"$names"
entry "Tidemark Station Logo.png"

mv "$list" "$out/dateien.txt"
