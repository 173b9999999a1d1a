#!/bin/sh
# Builds the simulator's per-song audio: one MP3 per frequency, a pure sine at
# half of full scale on both channels, and a manifest "tones.txt".
# Usage: make_tones.sh OUTDIR FREQUENCY...
#
# 7.5 s are encoded at 320 kb/s CBR (at 128 kb/s LAME loses 0.45 dB of a pure tone), 44.1 kHz, without the bit reservoir, so
# every frame decodes on its own; the simulator loops 245 frames (6.4 s) from
# the steady middle. A frequency that is a multiple of 5/32 Hz fits a whole
# number of periods into 6.4 s, which makes the loop seamless.
set -eu
out=$1
shift
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
amplitude=0.5
: >"$tmp/tones.txt"
i=0
for f in "$@"; do
  # -D: no dither, so the level is the sine's alone.
  "${SOX:-sox}" -D -n -r 44100 -c 2 -b 16 "$tmp/tone.wav" synth 7.5 sine "$f" vol "$amplitude"
  "${LAME:-lame}" --quiet --cbr -b 320 --nores -t "$tmp/tone.wav" "$tmp/tone-$i.mp3"
  mv "$tmp/tone-$i.mp3" "$out/tone-$i.mp3"
  printf 'tone-%d.mp3 %s %s\n' "$i" "$f" "$amplitude" >>"$tmp/tones.txt"
  i=$((i + 1))
done
mv "$tmp/tones.txt" "$out/tones.txt"
