#!/usr/bin/env python3
"""Runs glowpond-info over the shared model collection and checks its output:
one valid JSON object per file, the loadable files loaded, the bad ones
refused with the reason the collection's README gives.

usage: check_info.py MODELS_FOLDER COMMAND...   (COMMAND may start with an emulator)

Without the collection it skips (exit status 77), unless the environment
variable CI is set: then a broken checkout fails."""
import json
import os
import subprocess
import sys

REFUSED = {
    "as_empty.3ds": "Error: Not a valid 3DS file.",
    "o3v_wrong.3ds": "Error: Not a valid 3DS file.",
    "as_helloworld_vrml2.wrl": "Error: VRML 2.0 not supported in this version.",
    "as_wuson_vrml2.wrl": "Error: VRML 2.0 not supported in this version.",
    "jj_mpf_terrain_gzip.wrz": "Error: Not a supported file type.",
    "as_noext_testformatdetection": "Error: Not a supported file type.",
}
SKIPPED = 77
KEYS = ["file", "ok", "messages", "partCount", "vertexCount", "faceCount", "bounds", "parts", "loadMs"]


def main():
    models, command = sys.argv[1], sys.argv[2:]
    if not os.path.isdir(models):
        print(f"the shared model collection is missing: {models}")
        return 1 if os.environ.get("CI") else SKIPPED
    files = []
    for folder in ("vrml1", "3ds", "bad"):
        path = os.path.join(models, folder)
        files += sorted(os.path.join(path, name) for name in os.listdir(path))
    result = subprocess.run(command + files, stdout=subprocess.PIPE, check=False)
    lines = result.stdout.decode("ascii").splitlines()
    failures = []
    if len(lines) != len(files):
        failures.append(f"{len(lines)} lines for {len(files)} files")
    for path, line in zip(files, lines):
        name = os.path.basename(path)
        info = json.loads(line)
        if list(info) != KEYS:
            failures.append(f"{name}: keys {list(info)}")
        if info["file"] != path:
            failures.append(f"{name}: file {info['file']}")
        if name in REFUSED:
            captions = [m["caption"] for m in info["messages"]]
            if info["ok"] or captions != [REFUSED[name]]:
                failures.append(f"{name}: ok {info['ok']}, messages {info['messages']}")
        elif not info["ok"] or info["messages"] or info["faceCount"] <= 0 or info["partCount"] != len(info["parts"]):
            failures.append(f"{name}: {line[:300]}")
        elif sum(p["vertexCount"] for p in info["parts"]) != info["vertexCount"]:
            failures.append(f"{name}: part vertex counts do not add up")
    if result.returncode != 1:  # some files are refused
        failures.append(f"exit status {result.returncode}")
    for failure in failures:
        print("FAIL", failure)
    print(f"{len(files) - len(failures)} of {len(files)} files as expected")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
