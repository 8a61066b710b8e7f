#!/usr/bin/env python3
"""Synthesises the three sounds of the main window as WAV files.

  sound_180_start.wav    rising two-note chime when a recording starts
  sound_181_shutter.wav  two-blade shutter click when a still picture is saved
  sound_182_stop.wav     falling two-note chime when a recording stops

Mono, 16-bit, 22050 Hz. The noise of the shutter comes from a fixed seed, so
running the script again writes the same bytes.

Run from anywhere:  python3 tools/make_sounds.py
"""

import math
import os
import random
import struct
import wave

RATE = 22050
PEAK = 0.7  # of full scale, leaves headroom for the mixer
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "sounds")


def bell(freq, seconds, decay):
    """A soft mallet note: fast attack, exponential decay, a little overtone."""
    n = int(seconds * RATE)
    attack = int(0.006 * RATE)
    out = []
    for i in range(n):
        t = i / RATE
        env = math.exp(-t * decay) * min(1.0, i / attack)
        s = (math.sin(2 * math.pi * freq * t)
             + 0.30 * math.sin(2 * math.pi * 2 * freq * t) * math.exp(-t * decay)
             + 0.08 * math.sin(2 * math.pi * 3.01 * freq * t))
        out.append(env * s)
    return out


def mix(length, *parts):
    """Adds (offset seconds, samples) parts into a buffer of `length` seconds."""
    buf = [0.0] * int(length * RATE)
    for offset, samples in parts:
        start = int(offset * RATE)
        for i, s in enumerate(samples):
            if start + i < len(buf):
                buf[start + i] += s
    return buf


def fade_out(samples, seconds=0.03):
    n = min(len(samples), int(seconds * RATE))
    for i in range(n):
        samples[len(samples) - n + i] *= 1.0 - (i + 1) / n
    return samples


def normalise(samples):
    top = max(abs(s) for s in samples) or 1.0
    return [s / top * PEAK for s in samples]


def click(rng, seconds, decay, brightness):
    """A burst of noise through a one-pole low-pass, with a low thump under it."""
    n = int(seconds * RATE)
    out, low = [], 0.0
    for i in range(n):
        t = i / RATE
        low += brightness * (rng.uniform(-1, 1) - low)
        thump = 0.6 * math.sin(2 * math.pi * 140 * t) * math.exp(-t * 60)
        out.append((low * 1.6 + thump) * math.exp(-t * decay))
    return out


def write(name, samples):
    os.makedirs(OUT, exist_ok=True)
    frames = b"".join(struct.pack("<h", max(-32767, min(32767, int(round(s * 32767)))))
                      for s in samples)
    with wave.open(os.path.join(OUT, name), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(frames)


def main():
    e5, b5 = 659.25, 987.77
    write("sound_180_start.wav",
          fade_out(normalise(mix(0.55, (0.0, bell(e5, 0.3, 14)), (0.11, bell(b5, 0.44, 10))))))
    write("sound_182_stop.wav",
          fade_out(normalise(mix(0.55, (0.0, bell(b5, 0.3, 14)), (0.11, bell(e5, 0.44, 10))))))
    rng = random.Random(181)
    write("sound_181_shutter.wav",
          fade_out(normalise(mix(0.2, (0.0, click(rng, 0.06, 90, 0.55)),
                                 (0.075, click(rng, 0.09, 70, 0.35)))), 0.02))


if __name__ == "__main__":
    main()
