#!/usr/bin/env python3
"""Writes the 3D Studio sample models of models/: a rocket and a ring.

They exercise what the 3DS reader handles: several named objects, material
definitions with byte and float colours and both percentage forms, material
groups inside and after the face list, skipped chunks (local axes, smoothing
groups), and object names that must be made fit ("1st stage"). Run it from the
checkout; the outputs are committed so that builds need no Python."""
import math
import struct


def chunk(chunk_id, *parts):
    data = b"".join(parts)
    return struct.pack("<HI", chunk_id, 6 + len(data)) + data


def name(text):
    return text.encode("ascii") + b"\0"


def colour_bytes(r, g, b):
    return chunk(0x0011, bytes((r, g, b)))


def colour_floats(r, g, b):
    return chunk(0x0010, struct.pack("<3f", r, g, b))


def material(title, ambient, diffuse, specular, shininess_percent, transparency):
    return chunk(
        0xAFFF,
        chunk(0xA000, name(title)),
        chunk(0xA010, colour_bytes(*ambient)),
        chunk(0xA020, colour_bytes(*diffuse)),
        chunk(0xA030, colour_floats(*specular)),
        chunk(0xA040, chunk(0x0030, struct.pack("<h", shininess_percent))),
        chunk(0xA050, chunk(0x0031, struct.pack("<f", transparency))),
        chunk(0xA300, name("unused.bmp")),  # a texture map: skipped
    )


class Mesh:
    def __init__(self):
        self.vertices = []
        self.faces = []
        self.groups = {}

    def vertex(self, x, y, z):
        self.vertices.append((x, y, z))
        return len(self.vertices) - 1

    def face(self, a, b, c, group):
        self.faces.append((a, b, c))
        self.groups.setdefault(group, []).append(len(self.faces) - 1)

    def quad(self, a, b, c, d, group):
        self.face(a, b, c, group)
        self.face(a, c, d, group)

    def chunk(self, groups_inside=True):
        vertex_data = struct.pack("<H", len(self.vertices)) + b"".join(struct.pack("<3f", *v) for v in self.vertices)
        face_data = struct.pack("<H", len(self.faces)) + b"".join(struct.pack("<4H", a, b, c, 7) for a, b, c in self.faces)
        groups = b"".join(
            chunk(0x4130, name(g), struct.pack("<H", len(f)), struct.pack(f"<{len(f)}H", *f))
            for g, f in self.groups.items()
        )
        smoothing = chunk(0x4150, struct.pack(f"<{len(self.faces)}I", *([1] * len(self.faces))))
        local_axis = chunk(0x4160, struct.pack("<12f", 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0))
        if groups_inside:
            faces = chunk(0x4120, face_data, groups, smoothing)
            return chunk(0x4100, chunk(0x4110, vertex_data), local_axis, faces)
        return chunk(0x4100, chunk(0x4110, vertex_data), local_axis, chunk(0x4120, face_data), groups)


def ring_of(mesh, y, radius, segments):
    return [mesh.vertex(radius * math.cos(2 * math.pi * i / segments), y,
                        -radius * math.sin(2 * math.pi * i / segments)) for i in range(segments)]


def rocket():
    segments = 16
    body = Mesh()
    levels = [(0.0, 0.3), (1.2, 0.3), (1.4, 0.3), (2.0, 0.3)]
    rings = [ring_of(body, y, r, segments) for y, r in levels]
    for level in range(len(rings) - 1):
        group = "Stripe" if level == 1 else "Hull"
        low, high = rings[level], rings[level + 1]
        for i in range(segments):
            j = (i + 1) % segments
            body.quad(low[i], low[j], high[j], high[i], group)

    nose = Mesh()
    base = ring_of(nose, 2.0, 0.3, segments)
    tip = nose.vertex(0, 2.7, 0)
    for i in range(segments):
        nose.face(base[i], base[(i + 1) % segments], tip, "Nose Cone")

    fins = Mesh()
    for k in range(3):
        a = 2 * math.pi * k / 3
        c, s = math.cos(a), -math.sin(a)
        p = [fins.vertex(0.3 * c, 0.0, 0.3 * s), fins.vertex(0.3 * c, 0.6, 0.3 * s),
             fins.vertex(0.7 * c, -0.1, 0.7 * s)]
        fins.face(p[0], p[2], p[1], "Fin")  # both sides, the fins are thin
        fins.face(p[0], p[1], p[2], "Fin")

    flame = Mesh()
    top = ring_of(flame, 0.0, 0.22, segments)
    end = flame.vertex(0, -0.5, 0)
    for i in range(segments):
        flame.face(top[(i + 1) % segments], top[i], end, "Flame")

    materials = [
        material("Hull", (60, 60, 60), (230, 230, 235), (0.9, 0.9, 0.9), 60, 0.0),
        material("Stripe", (60, 10, 10), (220, 30, 30), (0.5, 0.5, 0.5), 30, 0.0),
        material("Nose Cone", (60, 10, 10), (200, 20, 20), (0.8, 0.8, 0.8), 70, 0.0),
        material("Fin", (10, 10, 60), (40, 70, 200), (0.4, 0.4, 0.4), 20, 0.0),
        material("Flame", (80, 40, 0), (255, 150, 20), (0.0, 0.0, 0.0), 0, 0.25),
        material("Hull", (0, 0, 0), (0, 255, 0), (0, 0, 0), 0, 0.0),  # a second definition: ignored
    ]
    objects = [
        chunk(0x4000, name("1st stage"), body.chunk()),
        chunk(0x4000, name("Nose"), nose.chunk(groups_inside=False)),
        chunk(0x4000, name("Fins"), fins.chunk()),
        chunk(0x4000, name("Flame"), flame.chunk()),
    ]
    editor = chunk(0x3D3D, chunk(0x3D3E, struct.pack("<I", 3)), *materials,
                   chunk(0x0100, struct.pack("<f", 1.0)), *objects)
    keyframes = chunk(0xB000, chunk(0xB00A, struct.pack("<H", 5), name("MAXSCENE")))  # skipped
    return chunk(0x4D4D, chunk(0x0002, struct.pack("<I", 3)), editor, keyframes)


def ring():
    major, minor, around, across = 24, 12, 1.0, 0.3
    mesh = Mesh()
    grid = []
    for i in range(major):
        a = 2 * math.pi * i / major
        row = []
        for j in range(minor):
            b = 2 * math.pi * j / minor
            r = around + across * math.cos(b)
            row.append(mesh.vertex(r * math.cos(a), across * math.sin(b), -r * math.sin(a)))
        grid.append(row)
    for i in range(major):
        for j in range(minor):
            i2, j2 = (i + 1) % major, (j + 1) % minor
            group = "Gold" if (i // 2 + j // 3) % 2 == 0 else "Silver"
            mesh.quad(grid[i][j], grid[i2][j], grid[i2][j2], grid[i][j2], group)
    materials = [
        material("Gold", (70, 50, 10), (240, 180, 40), (1.0, 0.9, 0.6), 80, 0.0),
        material("Silver", (50, 50, 55), (200, 200, 210), (1.0, 1.0, 1.0), 90, 0.0),
    ]
    editor = chunk(0x3D3D, *materials, chunk(0x4000, name("Ring"), mesh.chunk(groups_inside=False)))
    return chunk(0x4D4D, chunk(0x0002, struct.pack("<I", 3)), editor)


if __name__ == "__main__":
    with open("models/rocket.3ds", "wb") as f:
        f.write(rocket())
    with open("models/ring.3ds", "wb") as f:
        f.write(ring())
