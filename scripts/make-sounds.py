#!/usr/bin/env python3
"""Synthesises the game's sound clips into assets/sounds/ as 16-bit mono WAV files.

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

# Vowel formants (centre frequencies in Hz) for the cartoon voices of the chatter clips.
VOWELS = {
    "a": (730, 1090, 2440),
    "e": (530, 1840, 2480),
    "i": (300, 2290, 3010),
    "o": (570, 840, 2410),
    "u": (320, 870, 2240),
    "ae": (660, 1720, 2410),
}
FORMANT_GAINS = (1.0, 0.55, 0.25)
FORMANT_WIDTHS = (110.0, 140.0, 200.0)
VOICE_CEILING = 4500.0  # highest harmonic a voice produces


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


def formant_gain(freq, formants):
    g = 0.0
    for centre, gain, width in zip(formants, FORMANT_GAINS, FORMANT_WIDTHS):
        d = (freq - centre) / width
        g += gain / (1 + d * d)
    return g


def lerp(a, b, x):
    return a + (b - a) * x


def voice(syllables, rng, breath=0.025, block=64):
    """A cartoon voice: harmonics of a gliding pitch shaped by vowel formants.

    syllables: list of dicts with seconds, f0 (start, end), vowel (start, end), and optional
    attack, release, gap (silence after), onset (a consonant noise: "h", "s", "k" or None),
    level and vibrato.
    """
    out = []
    for syl in syllables:
        n = int(syl["seconds"] * RATE)
        f_start, f_end = syl["f0"]
        v_start, v_end = syl["vowel"]
        fa, fb = VOWELS[v_start], VOWELS[v_end]
        env = envelope(n, syl.get("attack", 0.03), syl.get("release", 0.06))
        vib = syl.get("vibrato", 0.01)
        level = syl.get("level", 1.0)
        samples = [0.0] * n
        max_harmonics = int(VOICE_CEILING / min(f_start, f_end)) + 1
        phases = [0.0] * max_harmonics
        for b0 in range(0, n, block):
            x = b0 / max(1, n - 1)
            shaped = smoothstep(x)
            formants = tuple(lerp(p, q, shaped) for p, q in zip(fa, fb))
            f0 = f_start * (f_end / f_start) ** x
            amps = []
            for k in range(1, max_harmonics + 1):
                fk = f0 * k
                amps.append(0.0 if fk > VOICE_CEILING else formant_gain(fk, formants) / k ** 0.6)
            for i in range(b0, min(n, b0 + block)):
                t = i / RATE
                f = f0 * (1 + vib * math.sin(2 * math.pi * 5.2 * t))
                s = 0.0
                for k in range(max_harmonics):
                    if amps[k] == 0.0:
                        continue
                    phases[k] += 2 * math.pi * f * (k + 1) / RATE
                    s += amps[k] * math.sin(phases[k])
                samples[i] = s
        breath_noise = noise(syl["seconds"], rng, lowpass=3000)
        samples = [(s + breath * 6 * b) * e * level for s, b, e in zip(samples, breath_noise, env)]
        onset = syl.get("onset")
        if onset:
            samples = consonant(onset, rng) + samples
        out += samples + silence(syl.get("gap", 0.0))
    return out


def consonant(kind, rng):
    if kind == "h":
        return noise(0.06, rng, lowpass=2500, highpass=400,
                     env=envelope(int(0.06 * RATE), 0.02, 0.02, sustain_level=0.35))
    if kind == "s":
        return noise(0.08, rng, highpass=4000,
                     env=envelope(int(0.08 * RATE), 0.02, 0.02, sustain_level=0.5))
    if kind == "k":
        return noise(0.025, rng, lowpass=3500, highpass=800,
                     env=envelope(int(0.025 * RATE), 0.002, 0.015, sustain_level=0.8))
    if kind == "th":
        return noise(0.05, rng, highpass=2500,
                     env=envelope(int(0.05 * RATE), 0.015, 0.015, sustain_level=0.3))
    raise ValueError(kind)


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

def syl(seconds, f0, vowel, **extra):
    d = {"seconds": seconds, "f0": f0, "vowel": vowel}
    d.update(extra)
    return d


def doh(rng):
    return voice([syl(0.36, (190, 110), ("o", "o"), onset="k", release=0.14)], rng)


def cough(rng):
    out = []
    for length, level in ((0.15, 1.0), (0.12, 0.7)):
        n = int(length * RATE)
        burst = noise(length, rng, lowpass=1800, highpass=150,
                      env=envelope(n, 0.004, 0.05, decay=length / 2.5))
        body = tone(160, length, partials=((1, 1.0), (2, 0.5), (3, 0.3)), attack=0.004,
                    release=0.05, decay=length / 3)
        out += [(b + 0.25 * t) * level for b, t in zip(burst, body)] + silence(0.07)
    return out


def hello(rng):
    return voice([syl(0.16, (200, 230), ("e", "e"), onset="h"),
                  syl(0.26, (240, 170), ("o", "u"), release=0.12)], rng)


def thank_you(rng):
    return voice([syl(0.18, (210, 200), ("ae", "ae"), onset="th", gap=0.02),
                  syl(0.24, (190, 150), ("i", "u"), release=0.12)], rng)


def where_have_you_been(rng):
    return voice([syl(0.14, (180, 175), ("u", "e"), gap=0.01),
                  syl(0.1, (175, 170), ("ae", "ae"), onset="h", gap=0.01),
                  syl(0.11, (170, 175), ("i", "u"), gap=0.01),
                  syl(0.24, (180, 290), ("i", "i"), release=0.1)], rng)


def snoring(rng):
    n = int(0.64 * RATE)
    rumble = noise(0.64, rng, lowpass=500)
    swell = envelope(n, 0.3, 0.22)
    flutter = [0.55 + 0.45 * math.sin(2 * math.pi * 28 * i / RATE) ** 2 for i in range(n)]
    drone = tone(58, 0.64, partials=((1, 1.0), (2, 0.6), (3, 0.4), (4, 0.2)), attack=0.3,
                 release=0.25)
    return [(r * 2.0 + 0.35 * d) * f * s for r, d, f, s in zip(rumble, drone, flutter, swell)]


def sneezing(rng):
    aah = voice([syl(0.13, (260, 330), ("a", "a"), onset="h", gap=0.04),
                 syl(0.15, (300, 420), ("a", "a"), onset="h", gap=0.02)], rng)
    n = int(0.24 * RATE)
    choo = noise(0.24, rng, highpass=1500, env=envelope(n, 0.005, 0.1, decay=0.08))
    tail = voice([syl(0.14, (330, 200), ("u", "u"), release=0.1)], rng)
    return aah + [c * 1.6 for c in choo[: int(0.06 * RATE)]] + mix(0.18, [
        (0.0, choo[int(0.06 * RATE):], 1.2), (0.0, tail, 0.5)])


def sorry(rng):
    return voice([syl(0.18, (220, 200), ("o", "o"), onset="s"),
                  syl(0.2, (190, 150), ("e", "i"), release=0.12)], rng)


def welcome(rng):
    return mix(0.5, [(0.0, pluck(note("E5"), 0.18), 0.9), (0.09, pluck(note("A5"), 0.18), 0.9),
                     (0.18, bell(note("C#6"), 0.32, 0.16), 1.0)])


def yeehaa(rng):
    return voice([syl(0.2, (330, 520), ("i", "i"), gap=0.02),
                  syl(0.28, (420, 260), ("a", "a"), onset="h", release=0.12, vibrato=0.02)], rng)


def yippee(rng):
    return voice([syl(0.14, (380, 420), ("i", "i"), gap=0.05),
                  syl(0.22, (460, 600), ("i", "i"), onset="k", release=0.1)], rng)


def oh_no(rng):
    return voice([syl(0.18, (260, 240), ("o", "o"), gap=0.04),
                  syl(0.3, (230, 150), ("o", "u"), release=0.14, vibrato=0.015)], rng)


def applause(rng):
    length = 0.62
    parts = []
    claps = 48
    for _ in range(claps):
        start = rng.uniform(0.0, length - 0.05)
        n = int(0.03 * RATE)
        cutoff = rng.uniform(900, 2200)
        clap = noise(0.03, rng, lowpass=cutoff * 2.5, highpass=cutoff * 0.5,
                     env=envelope(n, 0.0008, 0.01, decay=0.007))
        # Louder in the middle, thinning towards the end.
        swell = math.sin(math.pi * min(1.0, (start + 0.1) / (length + 0.05)))
        parts.append((start, clap, rng.uniform(0.4, 1.0) * swell))
    return mix(length, parts)


def honk(rng):
    def blast(seconds):
        a = tone(370, seconds, partials=tuple((k, 1 / k) for k in range(1, 7)), attack=0.01,
                 release=0.03)
        b = tone(466, seconds, partials=tuple((k, 1 / k) for k in range(1, 7)), attack=0.01,
                 release=0.03)
        return [math.tanh(1.8 * (x + y)) for x, y in zip(a, b)]
    return blast(0.16) + silence(0.06) + blast(0.2)


def oooh(rng):
    return voice([syl(0.5, (240, 300), ("u", "o"), attack=0.08, release=0.18, vibrato=0.02)], rng)


def razzberry(rng):
    n = int(0.42 * RATE)
    out = [0.0] * n
    phase = 0.0
    for i in range(n):
        f = 85 * (1 + 0.12 * math.sin(2 * math.pi * 7 * i / RATE)) * rng.uniform(0.9, 1.1)
        phase = (phase + f / RATE) % 1.0
        out[i] = (2 * phase - 1) * (0.6 + 0.4 * rng.random())
    out = one_pole_lowpass(out, 1400)
    env = envelope(n, 0.03, 0.12)
    return [s * e for s, e in zip(out, env)]


def cheer(rng):
    parts = []
    for _ in range(6):
        f = rng.uniform(220, 420)
        v = rng.choice(["a", "e", "ae", "o"])
        length = rng.uniform(0.4, 0.5)
        parts.append((rng.uniform(0.0, 0.1),
                      voice([syl(length, (f, f * rng.uniform(1.05, 1.3)), (v, "a"),
                                 attack=0.06, release=0.2, vibrato=0.03)], rng), 0.5))
    n = int(0.62 * RATE)
    crowd = noise(0.62, rng, lowpass=2500, highpass=300, env=envelope(n, 0.08, 0.22))
    parts.append((0.0, crowd, 0.5))
    return mix(0.62, parts)


def laugh(rng, pitch, count, step, length):
    sylls = []
    for i in range(count):
        f = pitch * (1 - 0.05 * i)
        sylls.append(syl(step, (f * 1.05, f), ("a", "a"), onset="h", attack=0.01, release=0.04,
                         gap=0.03))
    return voice(sylls, rng)[: int(length * RATE)]


def woman_laughing(rng):
    return laugh(rng, 300, 5, 0.075, 0.62)


def man_laughing(rng):
    return laugh(rng, 125, 5, 0.085, 0.68)


def crying(rng):
    return voice([syl(0.28, (380, 330), ("u", "a"), vibrato=0.04, release=0.08, gap=0.03),
                  syl(0.36, (360, 250), ("u", "a"), vibrato=0.05, release=0.18)], rng)


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
    ("wave1", doh, 0.7),                # Doh
    ("wave2", cough, 0.7),              # Cough
    ("wave3", hello, 0.7),              # Hello
    ("wave4", thank_you, 0.7),          # Thank You
    ("wave5", where_have_you_been, 0.7),  # Where have you been?
    ("wave6", snoring, 0.6),            # Snoring
    ("wave7", sneezing, 0.7),           # Sneezing
    ("wave8", sorry, 0.7),              # Sorry
    ("wave9", welcome, 0.65),           # Welcome
    ("wave10", yeehaa, 0.7),            # Yeehaa
    ("wave11", yippee, 0.7),            # Yippee
    ("wave12", oh_no, 0.7),             # Oh No
    ("wave13", applause, 0.7),          # Applause
    ("wave14", honk, 0.6),              # Honk
    ("wave15", oooh, 0.7),              # Oooh
    ("wave16", razzberry, 0.65),        # Razzberry
    ("wave17", cheer, 0.7),             # Cheer
    ("wave18", woman_laughing, 0.7),    # Woman Laughing
    ("wave19", man_laughing, 0.7),      # Man Laughing
    ("wave20", crying, 0.7),            # Crying
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
