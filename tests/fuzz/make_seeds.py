#!/usr/bin/env python3
"""Writes the small hand-made seed streams of the model reader's fuzz corpus."""
import os
import struct

MAIN, EDITOR, OBJECT, MESH, VERTICES, FACES = 0x4D4D, 0x3D3D, 0x4000, 0x4100, 0x4110, 0x4120


def header(chunk_id, length=0):
    return struct.pack("<HI", chunk_id, length)


def foreign(chunk_id, payload=b"\x4d\x4d\x10\x41\x00"):
    return header(chunk_id, 6 + len(payload)) + payload


def obj(name, vertices, faces, extra=b""):
    body = header(OBJECT) + name + b"\0" + extra + header(MESH) + extra
    body += header(VERTICES) + struct.pack("<H", len(vertices))
    body += b"".join(struct.pack("<3f", *v) for v in vertices) + extra
    body += header(FACES) + struct.pack("<H", len(faces))
    body += b"".join(struct.pack("<4H", *f, 0) for f in faces)
    return body + extra


def stream(children):
    return header(MAIN, 6 + len(children)) + children


TRI = obj(b"tri", [(0, 0, 0), (1, 0, 0), (0, 1, 0)], [(0, 1, 2)])
QUAD = obj(b"q", [(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)], [(0, 1, 2), (0, 2, 3)],
           extra=foreign(0xA000))

SEEDS = {
    "one_object.3ds": stream(header(EDITOR) + TRI),
    "two_objects_foreign_chunks.3ds": stream(foreign(0x0002) + header(EDITOR) + TRI + QUAD),
    "object_outside_editor.3ds": stream(header(EDITOR, 6 + len(TRI)) + TRI + foreign(0xB000) + QUAD),
    "not_main_chunk.3ds": header(EDITOR, 6 + len(TRI)) + TRI,
    "zero_length_chunk.3ds": stream(header(EDITOR) + TRI + header(0xB000, 0) + QUAD),
    "truncated_faces.3ds": stream(header(EDITOR) + TRI + QUAD)[:-5],
    "bad_face_index.3ds": stream(header(EDITOR) + TRI + obj(b"", [(1, 2, 3)], [(0, 0, 1)])),
}

if __name__ == "__main__":
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
    os.makedirs(out, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
