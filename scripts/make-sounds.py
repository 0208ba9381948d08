#!/usr/bin/env python3
"""Synthesises the eight game sound clips into assets/sounds/ as 16-bit mono WAV files.
The twenty chatter clips come from scripts/make-chatter.sh.

Only the standard library is used, and every random choice comes from a seeded generator, so
running the script again reproduces the committed files byte for byte.

    python3 scripts/make-sounds.py [output-directory]
"""

import math
import os
import random
import struct
import sys
import wave

RATE = 22050
FULL_SCALE = 32767
EDGE_FADE = 0.004  # seconds of fade at both ends of every clip, so none starts or stops with a click


def silence(seconds):
    return [0.0] * int(round(seconds * RATE))


def mix(length_seconds, parts):
    """parts: iterable of (start_seconds, samples, gain)."""
    out = silence(length_seconds)
    for start, samples, gain in parts:
        offset = int(round(start * RATE))
        for i, s in enumerate(samples):
            j = offset + i
            if j >= len(out):
                break
            out[j] += s * gain
    return out


def smoothstep(x):
    x = min(1.0, max(0.0, x))
    return x * x * (3 - 2 * x)


def envelope(n, attack, release, sustain_level=1.0, decay=None):
    """Raised-cosine attack and release; optional exponential decay (time constant in s)."""
    a = max(1, int(attack * RATE))
    r = max(1, int(release * RATE))
    env = []
    for i in range(n):
        t = i / RATE
        level = sustain_level if decay is None else math.exp(-t / decay)
        if i < a:
            level *= 0.5 - 0.5 * math.cos(math.pi * i / a)
        if i >= n - r:
            level *= 0.5 - 0.5 * math.cos(math.pi * (n - i) / r)
        env.append(level)
    return env


def tone(freq, seconds, partials=((1, 1.0),), attack=0.005, release=0.03, decay=None,
         partial_decay=0.0, vibrato=0.0, vibrato_rate=5.5, glide_to=None):
    """Additive tone. partials: (ratio, amplitude); higher partials fade faster by partial_decay."""
    n = int(seconds * RATE)
    env = envelope(n, attack, release, decay=decay)
    out = [0.0] * n
    for ratio, amp in partials:
        phase = 0.0
        fade = partial_decay * (ratio - 1)
        for i in range(n):
            t = i / RATE
            f = freq if glide_to is None else freq * (glide_to / freq) ** (i / n)
            f *= 1 + vibrato * math.sin(2 * math.pi * vibrato_rate * t)
            f *= ratio
            if f >= RATE / 2:
                break
            phase += 2 * math.pi * f / RATE
            out[i] += amp * math.sin(phase) * (math.exp(-t * fade) if fade else 1.0)
    return [s * e for s, e in zip(out, env)]


def bell(freq, seconds, decay=0.35):
    # Slightly inharmonic partials give the metallic ring of a door chime.
    return tone(freq, seconds, partials=((1, 1.0), (2.0, 0.45), (2.76, 0.25), (5.4, 0.08)),
                attack=0.002, release=0.05, decay=decay, partial_decay=4.0)


def pluck(freq, seconds, decay=0.18):
    return tone(freq, seconds, partials=((1, 1.0), (2, 0.35), (3, 0.12), (4, 0.06)),
                attack=0.003, release=0.04, decay=decay, partial_decay=6.0)


def brass(freq, seconds, release=0.06):
    partials = tuple((k, 1.0 / k ** 1.1) for k in range(1, 9))
    raw = tone(freq, seconds, partials=partials, attack=0.025, release=release, vibrato=0.004)
    return [math.tanh(1.4 * s) for s in raw]


def noise(seconds, rng, lowpass=None, highpass=None, env=None):
    n = int(seconds * RATE)
    out = [rng.uniform(-1.0, 1.0) for _ in range(n)]
    if lowpass:
        out = one_pole_lowpass(out, lowpass)
    if highpass:
        low = one_pole_lowpass(out, highpass)
        out = [x - y for x, y in zip(out, low)]
    if env:
        out = [s * e for s, e in zip(out, env)]
    return out


def one_pole_lowpass(samples, cutoff):
    a = 1 - math.exp(-2 * math.pi * cutoff / RATE)
    y = 0.0
    out = []
    for x in samples:
        y += a * (x - y)
        out.append(y)
    return out


def normalise(samples, peak):
    top = max(1e-9, max(abs(s) for s in samples))
    return [s * peak / top for s in samples]


def finish(samples, peak):
    samples = normalise(samples, peak)
    n = len(samples)
    fade = int(EDGE_FADE * RATE)
    for i in range(min(fade, n)):
        w = 0.5 - 0.5 * math.cos(math.pi * i / fade)
        samples[i] *= w
        samples[n - 1 - i] *= w
    return samples


def write_wav(path, samples):
    frames = b"".join(
        struct.pack("<h", max(-FULL_SCALE, min(FULL_SCALE, int(round(s * FULL_SCALE)))))
        for s in samples)
    with wave.open(path, "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(frames)


def note(name):
    """Note name like "C5" or "F#4" to frequency."""
    names = {"C": -9, "D": -7, "E": -5, "F": -4, "G": -2, "A": 0, "B": 2}
    semis = names[name[0]]
    rest = name[1:]
    if rest.startswith("#"):
        semis += 1
        rest = rest[1:]
    elif rest.startswith("b"):
        semis -= 1
        rest = rest[1:]
    octave = int(rest)
    return 440.0 * 2 ** ((semis + 12 * (octave - 4)) / 12)


# ---- game sounds --------------------------------------------------------------------------------

def entered(rng):
    # Ding-dong of a door bell.
    return mix(0.62, [(0.0, bell(note("E5"), 0.36), 1.0), (0.18, bell(note("C5"), 0.44, 0.3), 1.0)])


def invalid(rng):
    partials = ((1, 1.0), (2, 0.3), (3, 0.35), (5, 0.15))
    buzz = tone(110, 0.26, partials=partials, attack=0.02, release=0.08)
    wobble = [math.sin(2 * math.pi * 18 * i / RATE) * 0.25 + 0.75 for i in range(len(buzz))]
    return one_pole_lowpass([b * w for b, w in zip(buzz, wobble)], 900)


def replace(rng):
    n = int(0.14 * RATE)
    slap = noise(0.14, rng, lowpass=4000, highpass=600, env=envelope(n, 0.001, 0.03, decay=0.025))
    thump = tone(140, 0.14, attack=0.001, release=0.03, decay=0.03, glide_to=80)
    return [s + 0.7 * t for s, t in zip(slap, thump)]


def roundover(rng):
    notes = ["C5", "E5", "G5", "C6"]
    parts = [(i * 0.075, pluck(note(n), 0.32 if i == 3 else 0.25, 0.12 if i == 3 else 0.1), 1.0)
             for i, n in enumerate(notes)]
    return mix(0.55, parts)


def select(rng):
    tick = tone(2400, 0.05, partials=((1, 1.0), (1.5, 0.3)), attack=0.001, release=0.02,
                decay=0.012)
    click = noise(0.05, rng, highpass=3000, env=envelope(int(0.05 * RATE), 0.0005, 0.01,
                                                         decay=0.004))
    return [a + 0.4 * b for a, b in zip(tick, click)]


def turn(rng):
    return mix(0.5, [(0.0, bell(note("G5"), 0.3, 0.22), 0.9),
                     (0.12, bell(note("C6"), 0.38, 0.25), 1.0)])


def turnnew(rng):
    def marimba(freq, seconds):
        return tone(freq, seconds, partials=((1, 1.0), (4, 0.25), (10, 0.05)), attack=0.002,
                    release=0.04, decay=0.1, partial_decay=12.0)
    return mix(0.45, [(0.0, marimba(note("A5"), 0.25), 1.0), (0.08, marimba(note("C#6"), 0.25), 1.0),
                     (0.16, marimba(note("E6"), 0.29), 1.0)])


def winner(rng):
    seq = [("G4", 0.0, 0.11), ("C5", 0.12, 0.11), ("E5", 0.24, 0.11), ("G5", 0.36, 0.54)]
    parts = [(start, brass(note(n), length), 1.0) for n, start, length in seq]
    parts += [(0.36, brass(note("E5"), 0.54), 0.55), (0.36, brass(note("C5"), 0.54), 0.45)]
    sparkle = [(0.39 + 0.06 * i, bell(note(n), 0.28, 0.1), 0.25)
               for i, n in enumerate(["C7", "E7", "G7", "C8"])]
    return mix(0.92, parts + sparkle)


# ---- chatter sounds -----------------------------------------------------------------------------

# (name, synthesiser, peak level)
CLIPS = [
    ("entered", entered, 0.7),
    ("invalid", invalid, 0.55),
    ("replace", replace, 0.7),
    ("roundover", roundover, 0.65),
    ("select", select, 0.45),
    ("turn", turn, 0.65),
    ("turnnew", turnnew, 0.65),
    ("winner", winner, 0.7),
]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out_dir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "assets", "sounds")
    os.makedirs(out_dir, exist_ok=True)
    total = 0
    for index, (name, make, peak) in enumerate(CLIPS):
        rng = random.Random(1000 + index)
        samples = finish(make(rng), peak)
        path = os.path.join(out_dir, name + ".wav")
        write_wav(path, samples)
        size = os.path.getsize(path)
        total += size
        print(f"{name:10s} {len(samples) / RATE:5.2f} s {size:7d} bytes")
    print(f"total {total} bytes")


if __name__ == "__main__":
    main()
