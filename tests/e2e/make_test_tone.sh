#!/bin/sh
# Makes the stream stand-in's test tone in folder $1: a 441 Hz sine at half of full
# scale (12 s, 44.1 kHz stereo) as WAV, as CBR MP3 without bit reservoir or info tag,
# and the MP3 decoded again (the level the stream carries at full volume).
set -eu
out=$1
mkdir -p "$out"
sox -D -n -r 44100 -c 2 -b 16 "$out/test_tone.wav" synth 12 sine 441 vol 0.5
lame --quiet -t --nores --cbr -b 128 "$out/test_tone.wav" "$out/test_tone.mp3"
lame --quiet --decode "$out/test_tone.mp3" "$out/test_tone_decoded.wav"
