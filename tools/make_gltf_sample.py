#!/usr/bin/env python3
"""Writes the glTF sample model of models/: a jellyfish, as a binary .glb.

It exercises what the glTF reader handles: a node hierarchy with rotations,
translations and a matrix, one mesh drawn by eight nodes (the tentacles),
indexed triangles, a triangle strip and a triangle fan, colours per vertex
(COLOR_0 as normalized bytes) and base colour factors. Run it from the
checkout; the output is committed so that builds need no Python."""
import json
import math
import struct


def pad(data, filler=b"\0"):
    return data + filler * (-len(data) % 4)


class Buffer:
    def __init__(self):
        self.data = b""
        self.views = []
        self.accessors = []

    def accessor(self, fmt, values, component_type, kind, count, **extra):
        self.data = pad(self.data)
        view = {"buffer": 0, "byteOffset": len(self.data), "byteLength": struct.calcsize("<" + fmt * len(values))}
        self.data += struct.pack("<" + fmt * len(values), *values)
        self.views.append(view)
        self.accessors.append(dict({"bufferView": len(self.views) - 1, "componentType": component_type,
                                    "count": count, "type": kind}, **extra))
        return len(self.accessors) - 1


def positions(buffer, points):
    flat = [c for p in points for c in p]
    low = [min(p[k] for p in points) for k in range(3)]
    high = [max(p[k] for p in points) for k in range(3)]
    return buffer.accessor("f", flat, 5126, "VEC3", len(points), min=low, max=high)


def bell(buffer):
    """The bell: a scalloped dome of rings, coloured from violet at the top to cyan at the rim."""
    rings, segments = 24, 64
    points, colours, indices = [], [], []
    for i in range(rings + 1):
        t = i / rings
        for j in range(segments):
            a = 2 * math.pi * j / segments
            scallop = 1 + 0.07 * t * t * math.cos(8 * a)
            r = math.sin(t * math.pi / 2 * 1.05) * scallop
            y = 0.75 * math.cos(t * math.pi / 2) - 0.12 * t * t
            points.append((r * math.cos(a), y, -r * math.sin(a)))
            c = (0.95 - 0.6 * t, 0.35 + 0.5 * t, 0.85 + 0.15 * t)
            colours.append(tuple(round(255 * min(1.0, v)) for v in c) + (255,))
    for i in range(rings):
        for j in range(segments):
            a, b = i * segments + j, i * segments + (j + 1) % segments
            c, d = a + segments, b + segments
            indices += [a, c, d, a, d, b] if i > 0 else [a, c, d]
    position = positions(buffer, points)
    colour = buffer.accessor("B", [c for col in colours for c in col], 5121, "VEC4", len(colours), normalized=True)
    index = buffer.accessor("H", indices, 5123, "SCALAR", len(indices))
    # The underside, a fan from the centre round the rim, turned to face down.
    rim = [points[rings * segments + j] for j in range(segments)]
    fan = [(0.0, rim[0][1] + 0.12, 0.0)] + [rim[(segments - j) % segments] for j in range(segments + 1)]
    underside = positions(buffer, fan)
    return {"primitives": [
        {"attributes": {"POSITION": position, "COLOR_0": colour}, "indices": index, "material": 0},
        {"attributes": {"POSITION": underside}, "mode": 6, "material": 1},
    ]}


def tentacle(buffer):
    """A ribbon that waves and twists as it hangs: one triangle strip."""
    steps = 80
    points = []
    for k in range(steps + 1):
        t = k / steps
        y = -1.6 * t
        sway = 0.18 * math.sin(3.5 * math.pi * t) * t
        twist = 2.5 * math.pi * t
        half = 0.07 * (1 - 0.8 * t)
        for side in (-1, 1):
            points.append((sway + side * half * math.cos(twist), y, side * half * math.sin(twist)))
    return {"primitives": [{"attributes": {"POSITION": positions(buffer, points)}, "mode": 5, "material": 2}]}


def jellyfish():
    buffer = Buffer()
    meshes = [bell(buffer), tentacle(buffer)]
    nodes = [{"name": "Jellyfish", "children": [1, 2], "rotation": [0.0, 0.0, math.sin(0.1), math.cos(0.1)]},
             {"name": "Bell", "mesh": 0, "matrix": [1, 0, 0, 0, 0, 1.1, 0, 0, 0, 0, 1, 0, 0, 0.05, 0, 1]},
             {"name": "Tentacles", "children": list(range(3, 11)), "translation": [0, -0.05, 0]}]
    for k in range(8):
        a = 2 * math.pi * k / 8
        nodes.append({"name": "Tentacle%d" % (k + 1), "mesh": 1,
                      "translation": [0.6 * math.cos(a), 0, -0.6 * math.sin(a)],
                      "rotation": [0, math.sin(a / 2), 0, math.cos(a / 2)],
                      "scale": [1, 0.8 + 0.05 * (k % 3), 1]})
    gltf = {
        "asset": {"version": "2.0", "generator": "3-D Glowpond tools/make_gltf_sample.py"},
        "scene": 0, "scenes": [{"nodes": [0]}], "nodes": nodes, "meshes": meshes,
        "materials": [
            {"name": "Bell", "pbrMetallicRoughness": {"baseColorFactor": [1, 1, 1, 1]}},
            {"name": "Underside", "pbrMetallicRoughness": {"baseColorFactor": [0.55, 0.3, 0.75, 1]}},
            {"name": "Tentacle", "pbrMetallicRoughness": {"baseColorFactor": [0.45, 0.9, 1.0, 1]}},
        ],
        "accessors": buffer.accessors, "bufferViews": buffer.views,
        "buffers": [{"byteLength": len(pad(buffer.data))}],
    }
    text = pad(json.dumps(gltf, separators=(",", ":")).encode("ascii"), b" ")
    data = pad(buffer.data)
    header = struct.pack("<III", 0x46546C67, 2, 12 + 8 + len(text) + 8 + len(data))
    return header + struct.pack("<II", len(text), 0x4E4F534A) + text + struct.pack("<II", len(data), 0x004E4942) + data


if __name__ == "__main__":
    with open("models/jellyfish.glb", "wb") as f:
        f.write(jellyfish())
