#!/usr/bin/env python3
"""Writes the seed corpora of the record store fuzz targets.

corpus/record_files/: index-mark files, record-line files and record logs,
each behind the byte that chooses its reader ("0", "1", "2").
corpus/media_round_trip/: short waves of several layouts the codec encodes
and waves it must leave as they are.
corpus/container_open/ (also only with the library): stand-alone
containers built by XRsaveXRZX from those waves with index marks and a
record line, and damaged copies.
corpus/media_decode/ (only when given a built libXRSAVE.so, from a build
without sanitizers): short waves of several layouts encoded by the media
codec itself through XRMediaEncode, and damaged copies of them.

Usage: make_seed_corpus.py [<build-folder>/lib/libXRSAVE.so]"""
import ctypes
import math
import os
import struct
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus", "media_decode")
RECORD_OUT = os.path.join(HERE, "corpus", "record_files")
WAVE_OUT = os.path.join(HERE, "corpus", "media_round_trip")
CONTAINER_OUT = os.path.join(HERE, "corpus", "container_open")


def chunk(tag, body):
    data = tag + struct.pack("<I", len(body)) + body
    return data + (b"\0" if len(body) % 2 else b"")


def fmt(channels, rate, bits, extensible=False):
    align = channels * bits // 8
    body = struct.pack("<HHIIHH", 0xFFFE if extensible else 1, channels, rate, rate * align,
                       align, bits)
    if extensible:
        body += struct.pack("<HHI", 22, bits, (1 << channels) - 1)
        body += bytes([1, 0, 0, 0, 0, 0, 0x10, 0, 0x80, 0, 0, 0xAA, 0, 0x38, 0x9B, 0x71])
    return body


def samples(channels, rate, bits, frames, silent=False):
    """Two tones under a slow envelope with a little fixed noise."""
    out = bytearray()
    full = (1 << (bits - 1)) - 1
    noise = 12345
    for i in range(frames):
        t = i / rate
        for c in range(channels):
            noise = (noise * 1664525 + 1013904223) & 0xFFFFFFFF
            value = 0.0 if silent else (0.5 + 0.4 * math.sin(2 * math.pi * 3 * t)) * (
                0.6 * math.sin(2 * math.pi * (220 + 40 * c) * t) +
                0.2 * math.sin(2 * math.pi * 1250 * t)) + 0.01 * ((noise >> 8) / (1 << 24) - 0.5)
            sample = round(value * full)
            if bits == 8:
                out.append(sample + 128)
            else:
                out += (sample & ((1 << bits) - 1)).to_bytes(bits // 8, "little")
    return bytes(out)


def wave(channels, rate, bits, frames, extensible=False, silent=False, extra=b"",
         before=b"", after=b""):
    data = samples(channels, rate, bits, frames, silent) + extra
    body = b"WAVE" + chunk(b"fmt ", fmt(channels, rate, bits, extensible)) + before
    body += chunk(b"data", data) + after
    return b"RIFF" + struct.pack("<I", len(body)) + body


LIST = chunk(b"LIST", b"INFOISFT" + struct.pack("<I", 5) + b"kivo\0")

WAVES = {
    "mono-8000-16": wave(1, 8000, 16, 800),
    "stereo-44100-16-list-after": wave(2, 44100, 16, 441, after=LIST),
    "mono-22050-8-odd-tail": wave(1, 22050, 8, 500, extra=b"\x5a"),
    "stereo-48000-24": wave(2, 48000, 24, 300),
    "six-channel-extensible-16": wave(6, 8000, 16, 120, extensible=True, before=LIST),
    "mono-8000-16-silence": wave(1, 8000, 16, 9000, silent=True),
    "mono-8000-16-one-frame": wave(1, 8000, 16, 1),
}


def encode(library, raw):
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "D.xrw")
        with open(path, "wb") as f:
            f.write(raw)
        if library.XRMediaEncode(path.encode()) != 0:
            raise SystemExit("XRMediaEncode failed")
        with open(path, "rb") as f:
            stored = f.read()
    if not stored.startswith(b"fLaC"):
        raise SystemExit("the codec left a wave as it is")
    return stored


def block_data(stored):
    """Offset of the "KIVW" block data after its id, and its length."""
    position = 4
    while True:
        header = stored[position:position + 4]
        length = int.from_bytes(header[1:4], "big")
        if header[0] & 0x7F == 2 and stored[position + 4:position + 8] == b"KIVW":
            return position + 8, length - 4
        position += 4 + length


def crc32(data):
    import zlib
    return zlib.crc32(data) & 0xFFFFFFFF


def fix_crc(stored):
    offset, length = block_data(stored)
    data = stored[offset:offset + length]
    crc = crc32(data[:24] + data[28:])
    return stored[:offset + 24] + struct.pack("<I", crc) + stored[offset + 28:]


def with_field(stored, at, packed):
    offset, _ = block_data(stored)
    return fix_crc(stored[:offset + at] + packed + stored[offset + at + len(packed):])


def damaged(stored):
    offset, length = block_data(stored)
    flipped = bytearray(stored)
    flipped[len(stored) - 40] ^= 0x40
    other_id = bytearray(stored)
    other_id[offset - 4:offset] = b"XXXX"
    long_block = bytearray(stored)
    long_block[offset - 7] = 0xFF
    bad_crc = bytearray(stored)
    bad_crc[offset + 28] ^= 1
    return {
        "truncated-in-block": stored[:offset + 20],
        "truncated-mid-stream": stored[:(offset + length + len(stored)) // 2],
        "flipped-audio-byte": bytes(flipped),
        "foreign-flac": bytes(other_id),
        "block-length-past-end": bytes(long_block),
        "block-crc-mismatch": bytes(bad_crc),
        "declares-more-samples": with_field(stored, 8, struct.pack("<Q", 1600 * 2 + 2)),
        "declares-two-channels": with_field(stored, 2, struct.pack("<HHH", 2, 16, 4)),
        "declares-8-bits": with_field(stored, 4, struct.pack("<HHQ", 8, 1, 800)),
    }


def mark(time_stamp, comment, type_digit=None):
    entry = time_stamp + b" " + comment.replace(b" ", b"\xac")
    if type_digit is not None:
        entry += b" " + type_digit
    return entry.ljust(61, b" ")


def line(*fields, tail=b" "):
    text = b" ".join(f.replace(b" ", b"\xac") for f in fields) + tail
    return text.ljust(400, b" ")[:400] + b"\n"


def record(number, kind=b"0", subject=b"call the bank", text_a=b"0"):
    return line(b"%08d" % number, kind, text_a, b"", subject, b"",
                b"D20240305090702123.xrz", b"05/03/2024", b"09:07:02", b"05/03/2024",
                b"09:08:00", b"00:00:58", b"", b"0")


HEADER = line(b"00000000")

RECORD_SEEDS = {
    "marks-with-type": b"0" + mark(b"00:00:05", b"item two", b"0") +
    mark(b"00:01:10", b"insert start", b"1") + mark(b"00:02:00", b"insert end", b"1"),
    "marks-without-type": b"0" + mark(b"00:00:01", b"meeting opened") +
    mark(b"00:10:00", "caf\u00e9 \u03b1\u03b2\u03b3".encode()),
    "marks-torn-tail-and-nul": b"0" + mark(b"00:00:01", b"a\0b", b"2") + b"00:00:02 torn",
    "marks-long-words": b"0" + mark(b"0" * 30, b"x" * 29) + b"0" * 61,
    "line-message": b"1" + record(12),
    "line-meeting-with-agenda": b"1" + record(7, kind=b"1", text_a=b"12.50") + b"agenda\n1. budget\n",
    "line-windows-1252": b"1" + record(99999998, subject=b"caf\xe9 \x80 \xc2 ok"),
    "line-negative-number": b"1" + line(b"-0000005", b"0"),
    "line-nine-digits": b"1" + line(b"123456789", b"4", b"0", b"", b"", tail=b"  "),
    "line-with-carriage-return": b"1" + record(3)[:200] + b"\r" + record(3)[201:],
    "line-short": b"1" + record(3)[:300],
    "line-no-line-feed": b"1" + record(3)[:400] + b" ",
    "log-records": b"2" + HEADER + record(1) + record(2, kind=b"5") + record(1, subject=b"again"),
    "log-erased-malformed-torn": b"2" + HEADER + line(b"99999999") + record(4)[:399] + b"\0\n" +
    record(5) + b"0000",
}


def broken_waves():
    good = WAVES["mono-8000-16"]
    fmt16 = chunk(b"fmt ", fmt(1, 8000, 16))
    data = chunk(b"data", samples(1, 8000, 16, 40))
    return {
        "data-before-fmt": b"RIFF\0\0\0\0WAVE" + data + fmt16,
        "repeated-fmt": b"RIFF\0\0\0\0WAVE" + fmt16 + fmt16 + data,
        "truncated-in-fmt": good[:30],
        "odd-chunk-past-end": b"RIFF\0\0\0\0WAVE" + fmt16 + b"LIST\xff\xff\xff\x7f" + data,
        "32-bit": wave(1, 8000, 16, 10)[:34] + struct.pack("<H", 32) + wave(1, 8000, 16, 10)[36:],
        "zero-channels": b"RIFF\0\0\0\0WAVE" + chunk(b"fmt ", struct.pack(
            "<HHIIHH", 1, 0, 8000, 16000, 2, 16)) + data,
        "rate-past-flac": b"RIFF\0\0\0\0WAVE" + chunk(b"fmt ", struct.pack(
            "<HHIIHH", 1, 1, 2000000, 4000000, 2, 16)) + data,
        "adpcm": b"RIFF\0\0\0\0WAVE" + chunk(b"fmt ", struct.pack(
            "<HHIIHHHH", 0x11, 1, 8000, 4055, 256, 4, 2, 505)) + chunk(b"data", bytes(256)),
        "no-whole-frame": b"RIFF\0\0\0\0WAVE" + chunk(b"fmt ", fmt(2, 8000, 24)) +
        chunk(b"data", b"\1\2\3\4\5"),
    }


def write_wave_seeds():
    os.makedirs(WAVE_OUT, exist_ok=True)
    seeds = {"seed-" + name + ".wav": raw for name, raw in WAVES.items()
             if name != "mono-8000-16-silence"}
    seeds.update({"seed-left-" + name + ".wav": raw for name, raw in broken_waves().items()})
    # A recorder that stopped early: the data chunk claims more than the file
    # holds, and the samples up to the end are taken.
    good = WAVES["mono-8000-16"]
    seeds["seed-data-size-past-end.wav"] = good[:40] + struct.pack("<I", 0xFFFFFFF0) + good[44:201]
    for name, data in seeds.items():
        with open(os.path.join(WAVE_OUT, name), "wb") as f:
            f.write(data)


def write_record_seeds():
    os.makedirs(RECORD_OUT, exist_ok=True)
    for name, data in RECORD_SEEDS.items():
        with open(os.path.join(RECORD_OUT, "seed-" + name), "wb") as f:
            f.write(data)


def main():
    if len(sys.argv) > 2:
        raise SystemExit(__doc__)
    write_record_seeds()
    write_wave_seeds()
    if len(sys.argv) == 1:
        return
    library = ctypes.CDLL(sys.argv[1])
    library.XRMediaEncode.argtypes = [ctypes.c_char_p]
    os.makedirs(OUT, exist_ok=True)
    seeds = {}
    for name, raw in WAVES.items():
        seeds["seed-" + name] = encode(library, raw)
    for name, data in damaged(seeds["seed-mono-8000-16"]).items():
        seeds["seed-damaged-" + name] = data
    seeds["seed-plain-wave"] = WAVES["mono-8000-16-one-frame"]
    for name, data in seeds.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)
    write_container_seeds(library)


def build_container(library, base, media, marks, record_line):
    with tempfile.TemporaryDirectory() as work, tempfile.TemporaryDirectory() as out:
        for extension, data in ((".xrw", media), (".xrs", marks), (".xrl", record_line)):
            with open(os.path.join(work, base + extension), "wb") as f:
                f.write(data)
        name = base + ".xrz"
        if library.XRsaveXRZX(name.encode(), out.encode(), work.encode()) != 0:
            raise SystemExit("XRsaveXRZX failed")
        with open(os.path.join(out, name), "rb") as f:
            return f.read()


def write_container_seeds(library):
    library.XRsaveXRZX.argtypes = [ctypes.c_char_p] * 3
    os.makedirs(CONTAINER_OUT, exist_ok=True)
    marks = RECORD_SEEDS["marks-with-type"][1:]
    seeds = {
        "message": build_container(library, "D20240305090702123", WAVES["mono-8000-16"], marks,
                                   record(12)),
        "other-base-name": build_container(library, "D19990101000000", WAVES["stereo-48000-24"],
                                           b"", record(3)),
        "plain-media": build_container(library, "D20240305090702124",
                                       broken_waves()["adpcm"], marks, record(4)),
    }
    good = seeds["message"]
    seeds["truncated"] = good[:len(good) * 2 // 3]
    flipped = bytearray(good)
    flipped[len(good) // 2] ^= 0x10
    seeds["flipped-byte"] = bytes(flipped)
    for name, data in seeds.items():
        with open(os.path.join(CONTAINER_OUT, "seed-" + name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
