#!/usr/bin/env python3
"""Builds the two golden files of the tiny rig in README.md by hand, value by
value, without the exporters: if the C++ export and this script disagree, one
of them misreads the format. Run from this folder: python3 make_golden.py"""
import struct

INVALID = 0x4FFF4FFF
W, H = 32, 4


def f32(v):
    # float32 arithmetic as the exporter does it: operands and result rounded
    return struct.unpack('<f', struct.pack('<f', v))[0]


# ---- the rig ---------------------------------------------------------------
# camera 0: 8 x 3 at (4, 0), source 640 x 480, map (130.25 + c, 1.5 + r),
#           alpha 255, 128 in columns 6 and 7, 0 at (c 3, r 1); boundary 0..7
# camera 1: 6 x 2 at (10, 2), source 320 x 240, map (0.5 + 2c, 170.75 + 4r),
#           alpha 128; boundary 1..4
# drawOrder 1, 0: camera 1 at stacking position 0 (bottom), camera 0 at 1 (top)
def alpha0(c, r):
    if c == 3 and r == 1:
        return 0
    return 128 if c >= 6 else 255


cams = [
    dict(cols=8, rows=3, ox=4, oy=0, sw=640, sh=480,
         map=lambda c, r: (130.25 + c, 1.5 + r), alpha=alpha0),
    dict(cols=6, rows=2, ox=10, oy=2, sw=320, sh=240,
         map=lambda c, r: (0.5 + 2 * c, 170.75 + 4 * r), alpha=lambda c, r: 128),
]
draw_order = [1, 0]

# ---- normalised weights per panorama pixel and camera -----------------------
# top first: camera 0 keeps its alpha, camera 1 gets trunc(a / 255 * (255 - top))
weight = {}
for y in range(H + 1):
    for x in range(W + 1):
        raw = []
        for cam in cams:
            c, r = x - cam['ox'], y - cam['oy']
            inside = 0 <= c < cam['cols'] and 0 <= r < cam['rows']
            raw.append(cam['alpha'](c, r) if inside else 0)
        top = int(raw[0] / 255.0 * 255)  # the same formula with all 255 left (exact)
        bottom = int(raw[1] / 255.0 * (255 - top)) if 255 - top > 0 else 0
        weight[(x, y)] = (top, bottom)


# ---- Camera_2K_Project.tab --------------------------------------------------
def record(pano_x, pano_y, width, rows, src_x0, src_y0, entries):
    b = struct.pack('<8H', pano_x, pano_y, width, rows, src_x0, src_y0, 128, 180)
    entries = entries + [INVALID] * (16384 - len(entries))
    return b + struct.pack('<16384I', *entries)


def entry(fx, fy):
    return fx | (fy << 16)


# camera 0: one region, padded rect (1, 1, 8, 3) -> panoX 4 aligned down to 0
# (4 columns added on the left), width 8 + 4 = 12 grown to 16, 3 rows, tile
# (1, 0): dx = 2.25 + c -> fx = 36 + 16 c, dy = 1.5 + r -> fy = 24 + 16 r.
e0 = []
for i in range(3):
    for j in range(16):
        c = j - 4
        if 0 <= c < 8 and alpha0(c, i) != 0:
            e0.append(entry(36 + 16 * c, 24 + 16 * i))
        else:
            e0.append(INVALID)
rec0 = record(0, 0, 16, 3, 128, 0, e0)
# camera 1: boundary columns 1..4 -> padded rect (2, 1, 4, 2): panoX 11 aligned
# down to 0 (11 added), width 15 grown to 16, panoY 2, tile (0, 0). Entry j
# reads column j - 10 (1..5; column 5 lies outside the boundary but is read
# like any other pixel of the widened rectangle): fx = 16 (0.5 + 2c) = 8 + 32 c,
# fy = 16 (170.75 + 4 r) = 2732 + 64 r.
e1 = []
for i in range(2):
    for j in range(16):
        c = j - 10
        e1.append(entry(8 + 32 * c, 2732 + 64 * i) if j >= 11 else INVALID)
rec1 = record(0, 2, 16, 2, 0, 0, e1)

# blend table: N = 2 -> block width 1500, one block per row, 32 wide
blend = b''
for y in range(H):
    blend += struct.pack('<3H2B', y, 0, 32, 1, 1)
    for x in range(W):
        blend += bytes(weight[(x, y)])

N = 2
arrays = 128 + 20 * N
sec0 = arrays
sec1 = sec0 + len(rec0)
blend_at = sec1 + len(rec1)
size = blend_at + len(blend)
header = b'J01\0' + struct.pack('<3I4i2Hi3I', 0, 128, size - 128, 640, 480, W, H, 128, 180, N,
                                blend_at, len(blend), H)
header += bytes(128 - len(header))
a = struct.pack('<2I', sec0, sec1)                # A1 section offsets
a += struct.pack('<2I', len(rec0), len(rec1))     # A2 section lengths
a += struct.pack('<2I', 1, 1)                     # A3 record counts
a += struct.pack('<4H', W, H, W, H)               # A4 (W, H) per camera
a += bytes(4 * N)                                 # A5 zero
table = header + a + rec0 + rec1 + blend
assert len(table) == size == 131560
open('Camera_2K_Project.tab', 'wb').write(table)

# ---- QuickWeave_Projcet.tab -------------------------------------------------
qw = struct.pack('<5i', N, W, H, *draw_order)
for k, cam in enumerate(cams):
    qw += struct.pack('<4i', cam['ox'], cam['oy'], cam['cols'], cam['rows'])
    for r in range(cam['rows']):
        for c in range(cam['cols']):
            x, y = cam['map'](c, r)
            qw += struct.pack('<2f', f32(f32(x) / cam['sw']), f32(f32(y) / cam['sh']))
    for r in range(cam['rows']):
        for c in range(cam['cols']):
            qw += bytes([weight[(cam['ox'] + c, cam['oy'] + r)][k]])
assert len(qw) == 20 + (16 + 9 * 24) + (16 + 9 * 12) == 376
open('QuickWeave_Projcet.tab', 'wb').write(qw)
