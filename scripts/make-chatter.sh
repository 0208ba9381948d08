#!/usr/bin/env bash
# Makes the twenty chatter clips assets/sounds/wave1.wav .. wave20.wav: spoken words from
# espeak-ng, the other noises synthesised with sox, each shaped to the sound's name in the
# chatter menu. Every clip ends up mono, 16-bit, 16000 Hz, trimmed of silence, at most 2.4 s,
# normalised to -1 dBFS and faded at both ends so none clicks.
#
#   sudo apt-get install espeak-ng sox
#   bash scripts/make-chatter.sh [output-directory]
#
# sox runs with -R (repeatable noise) and without dither, so the files come out the same on
# every run with the same package versions.
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-assets/sounds}
rate=16000
max_seconds=2.4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sx() { sox -R -D -V1 "$@"; }

# speak FILE VOICE WORDS-PER-MINUTE PITCH(0-99) TEXT
speak() {
  espeak-ng -v "$2" -s "$3" -p "$4" -a 180 -w "$work/speak.wav" "$5"
  sx "$work/speak.wav" "$1"
}

# noise FILE SECONDS KIND [effects...]: a noise or tone made by sox alone.
noise() {
  local file=$1 seconds=$2 kind=$3
  shift 3
  sx -n -r 22050 -c 1 "$file" synth "$seconds" $kind "$@"
}

# finish IN NUMBER: the common shape of every clip.
finish() {
  # Silence is cut first on its own: after it sox no longer knows the length the fade needs.
  sx "$1" -r "$rate" -c 1 -b 16 "$work/trimmed.wav" \
    silence 1 0.01 0.3% reverse silence 1 0.01 0.3% reverse
  sx "$work/trimmed.wav" "$out/wave$2.wav" trim 0 "$max_seconds" norm -1 fade t 0.008 -0 0.04
}

say() {  # say NUMBER VOICE WPM PITCH TEXT
  speak "$work/w$1.wav" "$2" "$3" "$4" "$5"
  finish "$work/w$1.wav" "$1"
}

mkdir -p "$out"

say 1 en-us+m3 150 35 "D'oh!"

# Cough: two rough bursts, the second weaker.
noise "$work/c1.wav" 0.24 brownnoise highpass 250 lowpass 2600 fade q 0.004 0.24 0.2
noise "$work/c2.wav" 0.2 brownnoise highpass 300 lowpass 2200 fade q 0.004 0.2 0.17 vol 0.7
noise "$work/gap.wav" 0.12 sine 0 vol 0
sx "$work/c1.wav" "$work/gap.wav" "$work/c2.wav" "$work/cough.wav"
finish "$work/cough.wav" 2

say 3 en-us+f2 160 60 "Hello!"
say 4 en-us+m1 150 50 "Thank you!"
say 5 en-us+f3 165 55 "Where have you been?"

# Snoring: a rattling breath in, a softer whistling breath out.
noise "$work/in.wav" 1.0 brownnoise lowpass 700 tremolo 26 95 fade q 0.35 1.0 0.25
noise "$work/out.wav" 0.7 pinknoise bandpass 1800 900 fade q 0.15 0.7 0.4 vol 0.35
sx "$work/in.wav" "$work/out.wav" "$work/snore.wav"
finish "$work/snore.wav" 6

# Sneezing: the build-up, then a burst of breath on the "choo".
speak "$work/ah.wav" en-us+f1 170 75 "ah... ah... ahh"
speak "$work/choo.wav" en-us+f1 200 80 "CHOO!"
noise "$work/spray.wav" 0.25 whitenoise highpass 1500 fade q 0.005 0.25 0.22 vol 0.5
sx -m "$work/choo.wav" "$work/spray.wav" "$work/choo2.wav"
sx "$work/ah.wav" "$work/choo2.wav" "$work/sneeze.wav"
finish "$work/sneeze.wav" 7

say 8 en-us+m2 140 45 "Sorry!"
say 9 en-us+f4 150 55 "Welcome!"
say 10 en-us+m3 170 75 "Yee haaaw!"
say 11 en-us+f2 180 90 "Yippee!"
say 12 en-us+m1 130 40 "Oh no!"

# Applause: three noise layers clapping at unrelated rates, swelling and dying away.
noise "$work/a1.wav" 2.0 whitenoise bandpass 2400 1800 tremolo 11.3 85
noise "$work/a2.wav" 2.0 pinknoise bandpass 1600 1200 tremolo 14.7 80
noise "$work/a3.wav" 2.0 whitenoise bandpass 3200 2000 tremolo 17.9 90
sx -m "$work/a1.wav" "$work/a2.wav" "$work/a3.wav" "$work/applause.wav" \
  fade q 0.15 2.0 0.8
finish "$work/applause.wav" 13

# Honk: a two-note car horn, twice.
noise "$work/h.wav" 0.32 "square 415 square 523" remix - lowpass 2500 fade q 0.01 0.32 0.04
sx "$work/h.wav" "$work/gap.wav" "$work/h.wav" "$work/honk.wav"
finish "$work/honk.wav" 14

say 15 en-us+f3 90 65 "Ooooooh!"

# Razzberry: a buzzing low sawtooth with flapping lips.
noise "$work/r1.wav" 0.9 sawtooth 82 tremolo 31 85 lowpass 1400
noise "$work/r2.wav" 0.9 pinknoise lowpass 1800 tremolo 31 90 vol 0.4
sx -m "$work/r1.wav" "$work/r2.wav" "$work/razz.wav" fade q 0.03 0.9 0.2
finish "$work/razz.wav" 16

# Cheer: a man and a woman shouting over the crowd's noise.
speak "$work/ch1.wav" en-us+m3 150 60 "Hooray!"
speak "$work/ch2.wav" en-us+f3 150 85 "Yaaay!"
noise "$work/crowd.wav" 1.4 pinknoise bandpass 1200 1600 tremolo 9.1 50 fade q 0.1 1.4 0.6 vol 0.3
sx -m "$work/ch1.wav" "$work/ch2.wav" "$work/crowd.wav" "$work/cheer.wav"
finish "$work/cheer.wav" 17

say 18 en-us+f5 230 92 "ha ha ha ha ha haa"
say 19 en-us+m7 200 15 "ho ho ho ha ha ha"

# Crying: a wobbling "boo hoo hoo".
speak "$work/cry.wav" en-us+f2 110 70 "boo hoo hoo hooo"
sx "$work/cry.wav" "$work/cry2.wav" tremolo 5.5 45
finish "$work/cry2.wav" 20

for n in $(seq 1 20); do
  printf 'wave%-2s %5s s %6s bytes\n' "$n" "$(soxi -D "$out/wave$n.wav")" "$(stat -c %s "$out/wave$n.wav")"
done
