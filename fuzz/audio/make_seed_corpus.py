#!/usr/bin/env python3
"""Writes the wave reader's seed corpus: small good files of every layout the
program meets and a few broken ones, one file each, into corpus/."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus")


def chunk(tag, body, pad=True):
    data = tag + struct.pack("<I", len(body)) + body
    if pad and len(body) % 2:
        data += b"\0"
    return data


def riff(*chunks, size=None):
    body = b"WAVE" + b"".join(chunks)
    return b"RIFF" + struct.pack("<I", len(body) if size is None else size) + body


def fmt(channels, rate, bits, tag=1, align=None, extra=None):
    align = channels * ((bits + 7) // 8) if align is None else align
    body = struct.pack("<HHIIHH", tag, channels, rate, rate * align, align, bits)
    if extra is not None:
        body += struct.pack("<H", len(extra)) + extra
    return body


def ramp(n):
    return bytes((i * 37 + 11) & 0xFF for i in range(n))


SEEDS = {
    "good-mono-8000-16.wav": riff(chunk(b"fmt ", fmt(1, 8000, 16)), chunk(b"data", ramp(320))),
    "good-stereo-44100-16.wav": riff(chunk(b"fmt ", fmt(2, 44100, 16)), chunk(b"data", ramp(400))),
    "good-mono-22050-8-odd.wav": riff(chunk(b"fmt ", fmt(1, 22050, 8)), chunk(b"data", ramp(101))),
    "good-recorder-fact.wav": riff(chunk(b"fmt ", fmt(1, 8000, 16, extra=b"")),
                                   chunk(b"fact", struct.pack("<I", 80)),
                                   chunk(b"data", ramp(160))),
    "good-list-before-fmt.wav": riff(chunk(b"LIST", b"INFOISFT" + struct.pack("<I", 5) + b"kivo\0"),
                                     chunk(b"fmt ", fmt(2, 8000, 16)), chunk(b"data", ramp(64))),
    "good-extensible.wav": riff(chunk(b"fmt ", fmt(2, 48000, 16, tag=0xFFFE, extra=struct.pack(
        "<HIH", 16, 3, 1) + bytes([0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71]))),
        chunk(b"data", ramp(96))),
    "good-adpcm.wav": riff(chunk(b"fmt ", fmt(1, 8000, 4, tag=0x11, align=256,
                                              extra=struct.pack("<H", 505))),
                           chunk(b"data", ramp(256))),
    "bad-data-before-fmt.wav": riff(chunk(b"data", ramp(16)), chunk(b"fmt ", fmt(1, 8000, 16))),
    "bad-zero-channels.wav": riff(chunk(b"fmt ", fmt(0, 8000, 16, align=2)),
                                  chunk(b"data", ramp(16))),
    "bad-huge-data.wav": riff(b"fmt " + struct.pack("<I", 16) + fmt(1, 8000, 16),
                              b"data" + struct.pack("<I", 0xFFFFFFF0) + ramp(16)),
    "bad-truncated.wav": riff(chunk(b"fmt ", fmt(1, 8000, 16)), chunk(b"data", ramp(64)))[:50],
    "bad-repeated-fmt.wav": riff(chunk(b"fmt ", fmt(1, 8000, 16)), chunk(b"fmt ", fmt(1, 8000, 16)),
                                 chunk(b"data", ramp(16))),
}

os.makedirs(OUT, exist_ok=True)
for name, data in SEEDS.items():
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)
