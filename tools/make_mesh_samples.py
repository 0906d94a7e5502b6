#!/usr/bin/env python3
"""Writes the OBJ, STL and PLY sample models of models/: a mushroom, a chess
pawn and a gem.

They exercise what those readers handle: an OBJ file with objects, a material
library and polygons of many corners; a binary STL file standing on +Z with
the model colour of its header; a binary PLY file with vertex colours and a
decagon. Run it from the checkout; the outputs are committed so that builds
need no Python."""
import math
import struct


def lathe(profile, segments):
    """Rings of points turning `profile` ((radius, height) pairs, bottom to
    top) about the vertical axis; returns the rings as lists of (x, z) and
    heights."""
    rings = []
    for radius, height in profile:
        ring = []
        for s in range(segments):
            a = 2 * math.pi * s / segments
            ring.append((radius * math.cos(a), radius * math.sin(a), height))
        rings.append(ring)
    return rings


def mushroom():
    segments = 24
    stem = [(0.28, 0.0), (0.3, 0.1), (0.26, 0.5), (0.22, 0.9), (0.24, 1.0)]
    cap = [(0.24, 1.0), (1.0, 0.95), (1.15, 1.1), (1.05, 1.35), (0.8, 1.6), (0.45, 1.75)]
    lines = ["# a mushroom for 3-D Glowpond", "mtllib mushroom.mtl"]
    vertices = []

    def add_part(name, material, profile, close_bottom, close_top):
        rings = lathe(profile, segments)
        base = len(vertices) + 1
        for ring in rings:
            for x, z, y in ring:
                vertices.append(f"v {x:.4f} {y:.4f} {z:.4f}")
        faces = [f"o {name}", f"usemtl {material}"]
        for r in range(len(rings) - 1):
            for s in range(segments):
                a = base + r * segments + s
                b = base + r * segments + (s + 1) % segments
                faces.append(f"f {a} {a + segments} {b + segments} {b}")
        # The ends as one polygon each, split into triangles when read.
        if close_bottom:
            faces.append("f " + " ".join(str(base + s) for s in range(segments)))
        if close_top:
            top = base + (len(rings) - 1) * segments
            faces.append("f " + " ".join(str(top + s) for s in reversed(range(segments))))
        return faces

    faces = add_part("stem", "stem", stem, True, False)
    faces += add_part("cap", "cap", cap, True, True)
    return "\n".join(lines + vertices + faces) + "\n"


MTL = """# colours of mushroom.obj
newmtl stem
Ka 0.2 0.2 0.2
Kd 0.93 0.88 0.76
newmtl cap
Ka 0.2 0.05 0.05
Kd 0.85 0.12 0.1
"""


def pawn():
    segments = 32
    profile = [(0.0, 0.0), (0.9, 0.0), (0.9, 0.15), (0.75, 0.25), (0.7, 0.35), (0.5, 0.45), (0.35, 0.6),
               (0.3, 1.2), (0.55, 1.3), (0.55, 1.38), (0.3, 1.45)]
    for k in range(1, 9):  # the head
        a = -math.pi / 2 + math.pi * k / 8
        profile.append((0.45 * math.cos(a) if k < 8 else 0.0, 1.85 + 0.45 * math.sin(a)))
    rings = lathe(profile, segments)
    facets = []
    for r in range(len(rings) - 1):
        for s in range(segments):
            a, b = rings[r][s], rings[r][(s + 1) % segments]
            c, d = rings[r + 1][(s + 1) % segments], rings[r + 1][s]
            for tri in ((a, b, c), (a, c, d)):
                if len({tri[0], tri[1], tri[2]}) == 3:
                    facets.append(tri)
    header = b"pawn for 3-D Glowpond COLOR=" + bytes((235, 225, 200, 255))
    data = header.ljust(80, b" ") + struct.pack("<I", len(facets))
    for tri in facets:
        data += struct.pack("<3f", 0, 0, 0)
        for x, y, z in tri:
            data += struct.pack("<3f", x, y, z)  # +Z up, as printers have it
        data += struct.pack("<H", 0x8000)  # the model's colour
    return data


def gem():
    # A brilliant cut: table, crown, girdle and pavilion.
    n = 10
    table = [(0.55 * math.cos(2 * math.pi * (i + 0.5) / n), 0.6, 0.55 * math.sin(2 * math.pi * (i + 0.5) / n))
             for i in range(n)]
    girdle = [(math.cos(2 * math.pi * i / n), 0.25, math.sin(2 * math.pi * i / n)) for i in range(n)]
    girdle_low = [(math.cos(2 * math.pi * i / n), 0.15, math.sin(2 * math.pi * i / n)) for i in range(n)]
    points = table + girdle + girdle_low + [(0.0, -0.9, 0.0)]
    culet = len(points) - 1
    faces = [list(range(n))]  # the table, a decagon
    for i in range(n):
        j = (i + 1) % n
        faces.append([n + i, n + j, i])  # crown: the table's corner i lies above girdle points i and i + 1
        faces.append([(i - 1) % n, n + i, i])
        faces.append([2 * n + i, 2 * n + j, n + j, n + i])
        faces.append([culet, 2 * n + j, 2 * n + i])
    # Each face turned to face outwards: the gem is convex around its centre.
    centre = (0.0, 0.2, 0.0)
    for k, face in enumerate(faces):
        normal = [0.0, 0.0, 0.0]
        for a, b in zip(face, face[1:] + face[:1]):
            pa, pb = points[a], points[b]
            normal[0] += (pa[1] - pb[1]) * (pa[2] + pb[2])
            normal[1] += (pa[2] - pb[2]) * (pa[0] + pb[0])
            normal[2] += (pa[0] - pb[0]) * (pa[1] + pb[1])
        middle = [sum(points[v][c] for v in face) / len(face) - centre[c] for c in range(3)]
        if sum(normal[c] * middle[c] for c in range(3)) < 0:
            faces[k] = face[::-1]
    def colour(p):
        hue = (math.atan2(p[2], p[0]) / (2 * math.pi)) % 1.0
        r, g, b = (0.5 + 0.5 * math.cos(2 * math.pi * (hue + k / 3)) for k in range(3))
        light = 0.55 + 0.45 * (p[1] + 0.9) / 1.5
        return tuple(int(255 * min(1.0, c * light + 0.15)) for c in (r, g, b))
    header = ("ply\nformat binary_little_endian 1.0\ncomment a gem for 3-D Glowpond\n"
              f"element vertex {len(points)}\nproperty float x\nproperty float y\nproperty float z\n"
              "property uchar red\nproperty uchar green\nproperty uchar blue\n"
              f"element face {len(faces)}\nproperty list uchar int vertex_indices\nend_header\n").encode("ascii")
    data = header
    for p in points:
        data += struct.pack("<3f", *p) + bytes(colour(p))
    for face in faces:
        data += struct.pack("<B", len(face)) + struct.pack(f"<{len(face)}i", *face)
    return data


def main():
    with open("models/mushroom.obj", "w", newline="\n") as out:
        out.write(mushroom())
    with open("models/mushroom.mtl", "w", newline="\n") as out:
        out.write(MTL)
    with open("models/pawn.stl", "wb") as out:
        out.write(pawn())
    with open("models/gem.ply", "wb") as out:
        out.write(gem())


if __name__ == "__main__":
    main()
