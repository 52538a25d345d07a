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

# Objects that read cleanly but are degenerate for the mesh preparation and the
# renderer (the start-up target's corpus shares these seeds).
INF, NAN = float("inf"), float("nan")
SQUARE = [(0, 0, 0), (1, 0, 0), (1, 1, 0), (0, 1, 0)]
# A NaN past the first vertex takes no part in the centring and stays NaN, which
# maps to row and column -32768 while the other vertices stay on the screen:
# faces run from row -32768 down to the screen (the longest walks there are).
TALL = [(0, 0, 0), (1, 0, 1), (0, NAN, 0), (1, 1, 1), (0.5, 0.5, -1), (NAN, 1, 0)]


def fan(count, vertex_count):
    """count faces over vertex_count vertices, each with a different corner pair."""
    return [(i % vertex_count, (i + 1) % vertex_count, (i + 2) % vertex_count) for i in range(count)]


def model(*objects):
    return stream(header(EDITOR) + b"".join(objects))


DEGENERATE = {
    "no_faces.3ds": model(obj(b"v", SQUARE, [])),
    "no_vertices.3ds": model(obj(b"e", [], [])),
    "all_vertices_equal.3ds": model(obj(b"p", [(2, 2, 2)] * 4, [(0, 1, 2), (1, 2, 3)])),
    "zero_area_faces.3ds": model(obj(b"z", [(0, 0, 0), (1, 1, 1), (2, 2, 2), (1, 0, 0)],
                                     [(0, 1, 2), (3, 3, 3), (0, 0, 1), (0, 1, 3)])),
    "flat_on_one_axis.3ds": model(obj(b"f", [(0, 0, 5), (1, 0, 5), (0, 1, 5)], [(0, 1, 2)])),
    "huge_coordinates.3ds": model(obj(b"h", [(3e38, -3e38, 1), (-3e38, 3e38, 0), (3e38, 3e38, -3e38), (1, 2, 3)],
                                      [(0, 1, 2), (1, 2, 3), (0, 2, 3)])),
    "nan_vertices_off_the_screen.3ds": model(obj(b"t", TALL, fan(6, len(TALL)))),
    "nan_and_infinity.3ds": model(obj(b"n", [(NAN, 0, 0), (INF, 1, 0), (0, -INF, 1), (1, 1, NAN), (0, 0, 0), (2, 1, 0)],
                                      fan(8, 6))),
    "nan_first_vertex.3ds": model(obj(b"m", [(NAN, NAN, NAN)] + SQUARE, fan(5, 5))),
    "tiny_extent.3ds": model(obj(b"d", [(0, 0, 0), (1e-40, 0, 0), (0, 1e-40, 1e-45)], [(0, 1, 2), (2, 1, 0)])),
    # The most faces a 32 KiB input holds, each walking from row -32768.
    "many_tall_faces.3ds": model(obj(b"w", TALL, fan(3900, len(TALL)))),
    # A face count past the class table: faces beyond it are drawn depth-only.
    "more_faces_than_classes.3ds": model(obj(b"c", SQUARE, fan(2100, 4))),
}

# One broken or unusual form of each chunk the reader looks for.
CHUNKS = {
    "no_editor_chunk.3ds": stream(foreign(0x0002) + TRI),
    "object_without_mesh.3ds": stream(header(EDITOR) + TRI.replace(header(MESH), b"", 1)),
    "vertex_list_short.3ds": stream(header(EDITOR) + header(OBJECT) + b"s\0" + header(MESH) +
                                    header(VERTICES) + struct.pack("<H", 10) + struct.pack("<6f", 0, 0, 0, 1, 1, 1)),
    "no_face_list.3ds": stream(header(EDITOR) + TRI[:TRI.index(header(FACES))]),
    "name_without_end.3ds": stream(header(EDITOR) + header(OBJECT) + b"unterminated"),
    "main_length_cuts_second_object.3ds": header(MAIN, 6 + 6 + len(TRI) + 10) + header(EDITOR) + TRI + QUAD,
    "main_length_past_end.3ds": header(MAIN, 0xFFFFFFFF) + header(EDITOR) + TRI,
    "foreign_length_past_end.3ds": stream(header(EDITOR) + header(0xB000, 0x7FFFFFFF) + TRI),
    "vertex_total_over_limit.3ds": model(obj(b"a", [(i, i % 7, 0) for i in range(1999)], fan(3, 1999)),
                                         obj(b"b", SQUARE, [(0, 1, 2)])),
}
SEEDS.update(DEGENERATE)
SEEDS.update(CHUNKS)

if __name__ == "__main__":
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
    os.makedirs(out, exist_ok=True)
    for name, data in SEEDS.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
