#!/usr/bin/env python3
"""Checks the shape of src/: layers that depend only downward.

Each folder of LAYERS is one module. Its public headers live in
include/kivo/<module>/ (and, for the libraries' flat C interfaces, in
include/ itself); other headers beside its sources are private to it.

A source file may include, in quotes:
  - "kivo/<module>/<file>.h" of its own module or of a module in a lower layer;
  - a flat C header ("xrsave.h") of a module in a lower layer;
  - a private header of its own module, by a path relative to its own folder,
    the module's folder or the module's include folder.
Anything else fails: an include that runs upward or sideways, an unknown
module, a path into another module's private files. Header names must be
unique across src/, so a bare name always says which file it is.

Usage: scripts/check-layers.py [ROOT]   (exit 1 with one line per fault)
"""
import os
import re
import sys

# Lowest layer first. A module may use the modules of the layers before its own.
LAYERS = [
    ["platform/filesystem", "platform/remote", "platform/thesaurus", "platform/translation"],
    ["wavefile", "repository", "platform/hotkeys", "platform/pedal", "platform/dbus",
     "platform/decoding", "platform/secrets"],
    ["platform/sound", "recordstore", "platform/encoding", "platform/speech"],
    ["format", "audio"],
    ["telephony"],
    ["core", "search"],
    ["editors/recorder"],
    ["editors/playback", "editors/dictation", "editors/records", "editors/meeting", "editors/diary",
     "editors/searching", "editors/phone",
     "editors/translator", "editors/video"],
    ["exchange"],
    ["app", "player", "tools/xrrps", "tools/kivoctl", "tools/kivo-remote", "tools/kivo-line"],
]

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SOURCE_SUFFIXES = (".h", ".cpp", ".c", ".hpp")


def module_name(folder):
    return folder.split("/")[-1]


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    src = os.path.join(root, "src")
    rank = {}
    folder_of = {}
    for level, folders in enumerate(LAYERS):
        for folder in folders:
            name = module_name(folder)
            if name in folder_of:
                print(f"check-layers: two modules named {name}")
                return 1
            rank[name] = level
            folder_of[name] = folder
    faults = []

    # Every folder with a CMakeLists.txt and sources must be a known module.
    known = {os.path.join(src, f) for f in folder_of.values()}
    c_headers = {}
    header_names = {}
    for directory, _, files in os.walk(src):
        for file in files:
            if file.endswith(".h"):
                header_names.setdefault(file, []).append(os.path.relpath(os.path.join(directory, file), root))
        if any(f.endswith(".cpp") for f in files) and not any(
            directory == k or directory.startswith(k + os.sep) for k in known
        ):
            faults.append(f"{os.path.relpath(directory, root)}: sources outside every module of the layer list")
    for name, places in sorted(header_names.items()):
        if len(places) > 1:
            faults.append(f"header name {name} is used twice: {', '.join(sorted(places))}")
    for name, folder in folder_of.items():
        include_dir = os.path.join(src, folder, "include")
        if os.path.isdir(include_dir):
            for file in os.listdir(include_dir):
                if file.endswith(".h"):
                    c_headers[file] = name

    for name, folder in folder_of.items():
        module_dir = os.path.join(src, folder)
        if not os.path.isdir(module_dir):
            faults.append(f"src/{folder}: module of the layer list does not exist")
            continue
        for directory, _, files in os.walk(module_dir):
            for file in files:
                if not file.endswith(SOURCE_SUFFIXES):
                    continue
                path = os.path.join(directory, file)
                with open(path, encoding="utf-8", errors="replace") as handle:
                    text = handle.read()
                for included in INCLUDE.findall(text):
                    fault = check_include(included, name, module_dir, directory, rank, c_headers)
                    if fault:
                        faults.append(f"{os.path.relpath(path, root)}: \"{included}\" {fault}")

    for fault in faults:
        print(fault)
    if faults:
        print(f"check-layers: {len(faults)} fault(s)")
        return 1
    print(f"check-layers: {len(folder_of)} modules in {len(LAYERS)} layers, every include runs downward")
    return 0


def check_include(included, module, module_dir, directory, rank, c_headers):
    if included.endswith(".moc") or included.startswith("moc_") or included.startswith("ui_"):
        return None
    parts = included.split("/")
    if parts[0] == "kivo" and len(parts) == 3:
        target = parts[1]
        if target not in rank:
            return "names no module of the layer list"
        if target != module and rank[target] >= rank[module]:
            return f"runs upward or sideways (from {module}, layer {rank[module]}, to {target}, layer {rank[target]})"
        return None
    if len(parts) == 1 and included in c_headers:
        target = c_headers[included]
        if target != module and rank[target] >= rank[module]:
            return f"runs upward or sideways (from {module} to {target})"
        return None
    for base in (directory, module_dir, os.path.join(module_dir, "include")):
        candidate = os.path.normpath(os.path.join(base, included))
        if candidate.startswith(module_dir + os.sep) and os.path.isfile(candidate):
            return None
    return "is neither kivo/<module>/<file>.h nor a private header of this module"


if __name__ == "__main__":
    sys.exit(main())
