#!/usr/bin/env python3
"""Runs glowpond-info over the shared model collection and checks its output:
one valid JSON object per file with the format its suffix claims, the
loadable files loaded, the bad ones refused with the reason the collection's
README gives (those of the OBJ, STL, PLY and glTF folders refused with a
message or shown in part), and the exit status: 0 for the loadable files, 1
for the refused ones. The strict reading
(--strict) must describe every file alike, except the compressed one, which
it refuses as the content check always did. A file handed over on standard
input (--stdin NAME) must be described as the file itself.

usage: check_info.py MODELS_FOLDER COMMAND...   (COMMAND may start with an emulator)

Without the collection it skips (exit status 77), unless the environment
variable CI is set: then a broken checkout fails."""
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

REFUSED = {
    "as_empty.3ds": "Error: Not a valid 3DS file.",
    "o3v_wrong.3ds": "Error: Not a valid 3DS file.",
    "as_helloworld_vrml2.wrl": "Error: VRML 2.0 not supported in this version.",
    "as_wuson_vrml2.wrl": "Error: VRML 2.0 not supported in this version.",
    "as_noext_testformatdetection": "Error: Not a supported file type.",
}
# Sound files the readers refuse: nothing to draw, or Draco-compressed.
READER_REFUSED = {"tm_points_with_lists.ply", "dr_Box_Draco.glb", "DracoSparseMesh.gltf"}
FORMATS = {".wrl": "VRML 1.0", ".wrz": "VRML 1.0", ".3ds": "3D Studio", ".obj": "Wavefront OBJ", ".stl": "STL",
           ".ply": "PLY", ".gltf": "glTF 2.0", ".glb": "glTF 2.0"}
MESH_FOLDERS = ("obj", "stl", "ply", "gltf")
# Refused by the strict reading only.
STRICT_REFUSED = {"jj_mpf_terrain_gzip.wrz": "Error: Not a supported file type."}
SKIPPED = 77
KEYS = ["file", "format", "ok", "loaded", "messages", "partCount", "vertexCount", "faceCount", "bounds", "parts", "loadMs"]


def describe(command, files, expected_status, failures):
    """glowpond-info's lines for `files`, checked for count and exit status
    (any status when None)."""
    if not files:
        return []
    result = subprocess.run(command + files, stdout=subprocess.PIPE, check=False)
    lines = result.stdout.decode("utf-8").splitlines()
    if len(lines) != len(files):
        failures.append(f"{command[-1]}: {len(lines)} lines for {len(files)} files")
    if expected_status is not None and result.returncode != expected_status:
        failures.append(f"{command[-1]}: exit status {result.returncode} for {len(files)} files")
    return lines


def without_time(line):
    return re.sub(r',"loadMs":[^,}]*', "", line)


def main():
    models, command = sys.argv[1], sys.argv[2:]
    if not os.path.isdir(models):
        print(f"the shared model collection is missing: {models}")
        return 1 if os.environ.get("CI") else SKIPPED
    files = []
    for folder in ("vrml1", "3ds", "bad"):
        path = os.path.join(models, folder)
        files += sorted(os.path.join(path, name) for name in os.listdir(path))
    # Under an emulator (Wine) the program's arguments pass through the ANSI
    # code page, which names beyond ASCII do not survive.
    emulated = len(command) > 1
    damaged = []
    for folder in MESH_FOLDERS:
        for path, _, names in sorted(os.walk(os.path.join(models, folder))):
            for name in sorted(names):
                if os.path.splitext(name)[1].lower() not in FORMATS or (emulated and not name.isascii()):
                    continue
                (damaged if f"{os.sep}bad" in path[len(models):] else files).append(os.path.join(path, name))
    refused = [path for path in files if os.path.basename(path) in REFUSED or os.path.basename(path) in READER_REFUSED]
    loadable = [path for path in files if path not in refused]
    failures = []
    files = loadable + refused + damaged
    lines = describe(command, loadable, 0, failures) + describe(command, refused, 1, failures) + \
        describe(command, damaged, None, failures)
    for path, line in zip(files, lines):
        name = os.path.basename(path)
        info = json.loads(line)
        if list(info) != KEYS:
            failures.append(f"{name}: keys {list(info)}")
        if info["file"] != path:
            failures.append(f"{name}: file {info['file']}")
        if info["format"] != FORMATS.get(os.path.splitext(name)[1].lower()):
            failures.append(f"{name}: format {info['format']}")
        if path in damaged:
            # Refused with a message, or shown in part.
            if not (info["ok"] or (info["messages"] and not info["faceCount"])):
                failures.append(f"{name}: {line[:300]}")
        elif name in READER_REFUSED:
            if info["ok"] or [m["caption"] for m in info["messages"]] != ["Error Message"]:
                failures.append(f"{name}: ok {info['ok']}, messages {info['messages']}")
        elif name in REFUSED:
            captions = [m["caption"] for m in info["messages"]]
            if info["ok"] or info["loaded"] or captions != [REFUSED[name]]:
                failures.append(f"{name}: ok {info['ok']}, messages {info['messages']}")
        elif not (info["ok"] and info["loaded"]) or info["messages"] or info["faceCount"] <= 0 \
                or info["partCount"] != len(info["parts"]):
            failures.append(f"{name}: {line[:300]}")
        elif sum(p["vertexCount"] for p in info["parts"]) != info["vertexCount"]:
            failures.append(f"{name}: part vertex counts do not add up")

    strict = command + ["--strict"]
    strict_refused = any(os.path.basename(path) in STRICT_REFUSED for path in loadable)
    strict_lines = describe(strict, loadable, int(strict_refused), failures) + \
        describe(strict, refused, 1, failures) + describe(strict, damaged, None, failures)
    for path, line, strict_line in zip(files, lines, strict_lines):
        name = os.path.basename(path)
        if name in STRICT_REFUSED:
            info = json.loads(strict_line)
            if info["ok"] or [m["caption"] for m in info["messages"]] != [STRICT_REFUSED[name]]:
                failures.append(f"{name} --strict: {strict_line[:300]}")
        elif without_time(strict_line) != without_time(line):
            failures.append(f"{name} --strict: {strict_line[:300]}")
    # Loaded from bytes: a few of each kind, the refused ones included.
    for path, line in list(zip(files, lines))[::7]:
        with open(path, "rb") as model:
            result = subprocess.run(command + ["--stdin", path], stdin=model, stdout=subprocess.PIPE, check=False)
        from_stdin = result.stdout.decode("utf-8").strip()
        if without_time(from_stdin) != without_time(line):
            failures.append(f"{os.path.basename(path)} --stdin: {from_stdin[:300]}")
    # A model, and its folder, named beyond ASCII: opened, and named right in the output.
    with tempfile.TemporaryDirectory() as scratch:
        folder = os.path.join(scratch, "Unicode \u2764\u267b Test")
        os.mkdir(folder)
        path = os.path.join(folder, "Unicode \u2764\u267b Test.wrl")
        original = next(i for i, name in enumerate(loadable) if name.endswith(".wrl"))
        shutil.copyfile(loadable[original], path)
        info = json.loads(describe(command, [path], 0, failures)[0])
        expected = dict(json.loads(lines[original]), file=path)
        for described in (info, expected):
            described.pop("loadMs")
        if info != expected:
            failures.append(f"{path}: {info}")
    for failure in failures:
        print("FAIL", failure)
    print(f"{len(files) - len(failures)} of {len(files)} files as expected")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
