#!/usr/bin/env python3
"""Writes the seed corpora of the repository fuzz targets.

Small repositories of both formats, byte for byte as the engine lays them out
(docs/formats/repository.md), and damaged variants of them: the shapes a
hostile or broken file takes. Run from anywhere; it rewrites
corpus/reading/seed-* and corpus/recovery/seed-* beside this script.
"""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

STORED = struct.pack("<8H", 2024, 6, 2, 11, 9, 30, 0, 250)
DELETED_AT = struct.pack("<8H", 2024, 6, 3, 12, 10, 0, 0, 0)
NO_TIME = bytes(16)
FILETIME = struct.pack("<Q", 133621234560000000)


class Member:
    def __init__(self, name, data, deleted=False, version=1, attributes=0x80):
        self.name = name.encode() if isinstance(name, str) else name
        self.data = data
        self.deleted = deleted
        self.version = version
        self.attributes = attributes


def xr01_entry(member, offset, continuation):
    """The 99-byte directory entry (also the internal entry of a block)."""
    return (b"DIR" + struct.pack("<IIQ", 99, continuation, offset) + FILETIME * 3 + STORED +
            (DELETED_AT if member.deleted else NO_TIME) +
            struct.pack("<IIIIII", len(member.data), member.attributes, int(member.deleted),
                        len(member.name), member.version, 0))


def xr01(members, count=None):
    blocks = b""
    directory = b""
    position = 36
    for i, member in enumerate(members):
        internal = xr01_entry(member, position, 0)
        blocks += internal + member.name + member.data
        directory += xr01_entry(member, position, int(i + 1 < len(members))) + member.name
        position += 99 + len(member.name) + len(member.data)
    directory_offset = position if members else 0
    count = len(members) if count is None else count
    header = b"XR01" + struct.pack("<IIQ", 36, count, directory_offset) + STORED
    return header + blocks + directory


def xr00(members):
    data = b""
    directory = b""
    position = 24
    for i, member in enumerate(members):
        data += member.data
        directory += struct.pack("<IIQQQIIII", int(i + 1 < len(members)), position,
                                 133621234560000000, 133621234560000000, 133621234560000000,
                                 len(member.data), int(member.deleted), len(member.name), 0)
        directory += member.name
        position += len(member.data)
    directory_offset = position if members else 0
    return b"XR00" + struct.pack("<I", directory_offset) + STORED + data + directory


def patched(data, offset, value, width=4):
    out = bytearray(data)
    out[offset:offset + width] = value.to_bytes(width, "little")
    return bytes(out)


def valid_repositories():
    inner = xr01([Member("x.txt", b"inside\r\n"), Member("y.bin", bytes(range(40)))])
    inner_old = xr00([Member("old.txt", b"older format\n")])
    text = b"one\r\ntwo\r\n"
    return {
        "xr01-empty": xr01([]),
        "xr01-one-member": xr01([Member("a", b"abc")]),
        "xr01-versions": xr01([Member("a", b"first", deleted=True), Member("b", b"bee"),
                               Member("a", b"second", version=2), Member("z", b"")]),
        "xr01-only-deleted": xr01([Member("gone", b"data", deleted=True)]),
        "xr01-nested": xr01([Member("inner.xrz", inner), Member("old.xrz", inner_old),
                             Member("note", b"not a repository, long enough to look")]),
        "xr01-text-kinds": xr01([Member("crlf", text), Member("lf", b"a\nb\n"),
                                 Member("cr", b"a\rb\r"), Member("tab", b"a\tb\n"),
                                 Member("mixed", b"a\r\nb\nc")]),
        "xr01-read-only": xr01([Member(".hidden", b"h", attributes=0x02),
                                Member("ro", b"r", attributes=0x01)]),
        "xr00-empty": xr00([]),
        "xr00-members": xr00([Member("a", b"abc"), Member("b", b"bravo", deleted=True),
                              Member("a", b"again")]),
        "xr00-nested": xr00([Member("inner.xrz", inner)]),
    }


def damaged_repositories(valid):
    one = valid["xr01-one-member"]          # header 0, entry 36, name 135, data 136, dir 139
    versions = valid["xr01-versions"]
    old = valid["xr00-members"]
    seeds = {
        "empty-file": b"",
        "three-bytes": b"XR0",
        "bad-magic": b"XY" + one[2:],
        "bad-version": b"XR02" + one[4:],
        "short-xr01-header": one[:20],
        "short-xr00-header": old[:10],
        "directory-past-end": patched(one, 12, 10_000, 8),
        "directory-in-header": patched(one, 12, 8, 8),
        "directory-wraps": patched(one, 12, 0xFFFFFFFFFFFFFFF0, 8),
        "count-too-high": patched(one, 8, 0xFFFFFFFF),
        "count-zero-with-directory": patched(one, 8, 0),
        "no-dir-magic": one[:139] + b"DIX" + one[142:],
        "name-length-4gib": patched(one, 139 + 87, 0xFFFFFFFF),
        "name-length-zero": patched(patched(one, 139 + 87, 0), 36 + 87, 0),
        "continuation-past-end": patched(one, 139 + 7, 1),
        "size-4gib": patched(patched(one, 139 + 75, 0xFFFFFFFF), 36 + 75, 0xFFFFFFFF),
        "member-offset-past-end": patched(one, 139 + 11, 1 << 40, 8),
        "member-offset-into-header": patched(one, 139 + 11, 4, 8),
        "internal-entry-differs": patched(one, 36 + 91, 7),
        "internal-entry-no-magic": one[:36] + b"DIX" + one[39:],
        "truncated-directory": one[:200],
        "truncated-data": versions[:150],
        "dot-dot-name": xr01([Member("..", b"up")]),
        "climbing-name": xr01([Member("../../../../escaped", b"out")]),
        "absolute-name": xr01([Member("/tmp/kivo-fuzz-absolute", b"abs")]),
        "backslash-name": xr01([Member("..\\..\\win", b"bs")]),
        "nul-in-name": xr01([Member(b"a\x00b", b"nul")]),
        "two-live-same-name": xr01([Member("a", b"one"), Member("a", b"two", version=2)]),
        "xr00-offset-past-end": patched(old, 4, 0xFFFFFF00),
        "xr00-name-length-huge": patched(old, 24 + 13 + 40, 0x7FFFFFFF),
        "xr00-climbing-name": xr00([Member("../x", b"up")]),
        "xr00-member-past-end": patched(old, 24 + 13 + 32, 1 << 20),
    }
    # A member block that overlaps the next: the first member claims more data.
    overlap = xr01([Member("a", b"aaaa"), Member("b", b"bbbb")])
    directory_offset = int.from_bytes(overlap[12:20], "little")
    seeds["overlapping-members"] = patched(patched(overlap, 36 + 75, 100),
                                           directory_offset + 75, 100)
    return seeds


def recovery_repositories(valid):
    """Repositories whose directory is gone or damaged, so recovery must walk
    the internal entries; and sound ones, which recovery must leave alone."""
    versions = valid["xr01-versions"]
    nested = valid["xr01-nested"]
    directory_offset = int.from_bytes(versions[12:20], "little")
    seeds = {
        "sound-versions": versions,
        "sound-nested": nested,
        "sound-empty": valid["xr01-empty"],
        "directory-cut-off": versions[:directory_offset],
        "directory-half": versions[:directory_offset + 60],
        "directory-zeroed": versions[:directory_offset] + bytes(len(versions) - directory_offset),
        "header-directory-zero": patched(versions, 12, 0, 8),
        "header-count-wrong": patched(versions, 8, 1),
        "last-block-torn": versions[:directory_offset - 3],
        "garbage-after-blocks": versions[:directory_offset] + b"\xff" * 300,
        "internal-entry-broken": patched(versions, 36, 0, 3),
        "xr00": valid["xr00-members"],
    }
    return seeds


def write(folder, seeds):
    os.makedirs(folder, exist_ok=True)
    for name in os.listdir(folder):
        if name.startswith("seed-"):
            os.remove(os.path.join(folder, name))
    for name, data in seeds.items():
        with open(os.path.join(folder, "seed-" + name), "wb") as out:
            out.write(data)


def main():
    valid = valid_repositories()
    reading = dict(valid)
    reading.update(damaged_repositories(valid))
    write(os.path.join(HERE, "corpus", "reading"), reading)
    write(os.path.join(HERE, "corpus", "recovery"), recovery_repositories(valid))


if __name__ == "__main__":
    main()
