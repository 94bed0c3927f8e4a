#!/usr/bin/env python3
"""Builds the golden files of the two tiny rigs in README.md by hand, value by
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


def container(src_size, W, H, sections, blend, blend_records):
    """The "J01" file: 128-byte header, the five arrays, the camera sections
    (each a list of records), the blend table."""
    N = len(sections)
    at = 128 + 20 * N
    offsets, lengths = [], []
    for records in sections:
        offsets.append(at)
        lengths.append(sum(len(r) for r in records))
        at += lengths[-1]
    blend_at = at
    size = blend_at + len(blend)
    header = b'J01\0' + struct.pack('<3I4i2Hi3I', 0, 128, size - 128, src_size[0], src_size[1],
                                    W, H, 128, 180, N, blend_at, len(blend), blend_records)
    header += bytes(128 - len(header))
    a = struct.pack('<%dI' % N, *offsets)                           # A1 section offsets
    a += struct.pack('<%dI' % N, *lengths)                          # A2 section lengths
    a += struct.pack('<%dI' % N, *[len(r) for r in sections])      # A3 record counts
    a += struct.pack('<%dH' % (2 * N), *([W, H] * N))              # A4 (W, H) per camera
    a += bytes(4 * N)                                               # A5 zero
    return header + a + b''.join(b''.join(r) for r in sections) + blend


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
table = container((640, 480), W, H, [[rec0], [rec1]], blend, H)
assert len(table) == 131560
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

# ==== the 4K rig ============================================================
# Panorama W = 752, H = 34, four cameras, drawOrder 3, 2, 1, 0 (camera 0 on
# top, camera 3 at the bottom).
# camera 0: 740 x 20 at (5, 1), source 640 x 480, map (128.5 + c / 8, 1.5 + r):
#           tile (1, 0); alpha 255, 128 in columns 700.., 0 at (c 3, r 1)
# camera 1: 6 x 3 at (730, 2), source 320 x 240, map (0.5 + 2c, 170.75 + 4r):
#           tile (0, 0); alpha 128; boundary columns 1..4
# camera 2: 4 x 2 at (16, 22), alpha 200; camera 3: 8 x 3 at (12, 21), alpha
#           100; both map every pixel to (-1, -1), left of and above their
#           images: in no tile, so no records, but they weigh in the blend table.
W4, H4 = 752, 34


def alpha4_0(c, r):
    if c == 3 and r == 1:
        return 0
    return 128 if c >= 700 else 255


cams4 = [
    dict(cols=740, rows=20, ox=5, oy=1, alpha=alpha4_0),
    dict(cols=6, rows=3, ox=730, oy=2, alpha=lambda c, r: 128),
    dict(cols=4, rows=2, ox=16, oy=22, alpha=lambda c, r: 200),
    dict(cols=8, rows=3, ox=12, oy=21, alpha=lambda c, r: 100),
]
N4 = 4
order4 = [3, 2, 1, 0]  # camera at stacking position 0 (bottom), 1, 2, 3 (top)


# Normalised weights, top position first: each camera gets
# trunc(alpha / 255 * what the cameras above left). Where it matters here:
# camera 0 keeps its alpha; camera 1 gets 0 under 255 and trunc(128 / 255 x
# 127) = 63 under 128; camera 2 keeps 200; camera 3 gets 100 alone and
# trunc(100 / 255 x 55) = 21 under camera 2.
def weights4(x, y):
    w = [0] * N4
    left = 255
    for cam_index in reversed(order4):
        cam = cams4[cam_index]
        c, r = x - cam['ox'], y - cam['oy']
        a = cam['alpha'](c, r) if 0 <= c < cam['cols'] and 0 <= r < cam['rows'] else 0
        v = int(a / 255.0 * left) if left > 0 else 0
        w[cam_index] = v
        left -= v
    return w


# ---- camera sections: segments ---------------------------------------------
# A segment starts on a column that is a multiple of 16 and on an even row, is
# a multiple of 16 wide and an even number of rows high, and uses at most
# 16368 entries: rows per segment = (16368 / width) rounded down to even.
# Only the rectangle's own pixels are read; the alignment margins stay invalid.
def segments(rect_x, rect_y, rect_w, rect_h, bx, by, fxfy, valid):
    """rect in panorama coordinates; fxfy(px, py) gives the entry of the
    panorama pixel, valid(px, py) whether it is one. Returns the records."""
    x0 = rect_x - rect_x % 16
    width = rect_x + rect_w - x0
    width += -width % 16
    y0 = rect_y - rect_y % 2
    rows = rect_y + rect_h - y0
    rows += rows % 2
    seg_max = 16368 // width // 2 * 2
    out = []
    for top in range(y0, y0 + rows, seg_max):
        hs = min(seg_max, y0 + rows - top)
        e = []
        for py in range(top, top + hs):
            for px in range(x0, x0 + width):
                inside = rect_x <= px < rect_x + rect_w and rect_y <= py < rect_y + rect_h
                e.append(entry(*fxfy(px, py)) if inside and valid(px, py) else INVALID)
        out.append(record(x0, top, width, hs, 128 * bx, 180 * by, e))
    return out


# Camera 0: the whole image is one region, panorama columns 5..744, rows
# 1..20. Aligned: columns 0..751 (5 added in front, 7 behind), rows 0..21
# (row 0 and row 21 added). 16368 / 752 = 21, so 20 rows per segment: rows
# 0..19 and 20..21. Entry of panorama (px, py): camera (c, r) = (px - 5, py -
# 1), dx = 0.5 + c / 8 -> fx = 8 + 2c, dy = 1.5 + r -> fy = 24 + 16r; the
# pixel of weight 0 is invalid.
sec4_0 = segments(5, 1, 740, 20, 1, 0,
                  lambda px, py: (8 + 2 * (px - 5), 24 + 16 * (py - 1)),
                  lambda px, py: alpha4_0(px - 5, py - 1) != 0)
# Camera 1: boundary columns 1..4, so the region is panorama columns
# 731..734, rows 2..4. Aligned: columns 720..735, rows 2..5, one segment.
# Camera (c, r) = (px - 730, py - 2): fx = 16 (0.5 + 2c) = 8 + 32c, fy = 16
# (170.75 + 4r) = 2732 + 64r. Camera column 5 (panorama 735) lies inside the
# widened segment but outside the region: not read, invalid.
sec4_1 = segments(731, 2, 4, 3, 0, 0,
                  lambda px, py: (8 + 32 * (px - 730), 2732 + 64 * (py - 2)),
                  lambda px, py: True)
assert [len(s) for s in (sec4_0, sec4_1)] == [2, 1]

# ---- the 4K blend table -----------------------------------------------------
# N = 4: block width trunc(3000 / 4) = 750, down to a multiple of 4: 748. Two
# blocks per row: columns 0..747 and 748..751. Record: u16 row field, u16 first
# column, u16 width, u8 (block count | presence of cameras 3, 4, 5 in bits 5,
# 6, 7), u8 (block number | presence of cameras 0, 1, 2 in bits 5, 6, 7), then
# per column the four weights in camera order. The last block of a row has
# bits 5..7 of both bytes set.
blocks = [(0, 748), (748, 4)]


def block_weights(y, m):
    x, width = blocks[m]
    return [w for px in range(x, x + width) for w in weights4(px, y)]


# Row fields: a run is a stretch of consecutive rows whose records of one block
# carry the same weights, cut after 32 rows; the record of row y in a run
# ending at row ye has y | (ye - y) << 11.
row_field = {}
for m in range(len(blocks)):
    y = 0
    while y < H4:
        end = y
        while end + 1 < H4 and end + 1 - y < 32 and block_weights(end + 1, m) == block_weights(y, m):
            end += 1
        for k in range(y, end + 1):
            row_field[(k, m)] = k | ((end - k) << 11)
        y = end + 1

blend4 = b''
for y in range(H4):
    for m, (x, width) in enumerate(blocks):
        w = block_weights(y, m)
        b6, b7 = len(blocks), m + 1
        for cam_index in range(N4):
            if any(w[p * N4 + cam_index] for p in range(width)):
                if cam_index < 3:
                    b7 |= 1 << (5 + cam_index)
                else:
                    b6 |= 1 << (5 + cam_index - 3)
        if m == len(blocks) - 1:
            b6 |= 0xE0
            b7 |= 0xE0
        blend4 += struct.pack('<3H2B', row_field[(y, m)], x, width, b6, b7) + bytes(w)

# What the description above works out to, for the README:
assert [row_field[(y, 0)] for y in (0, 1, 2, 3, 4, 5, 20, 21, 22, 23, 24, 33)] == \
    [0, 1, 2, 3 | 1 << 11, 4, 5 | 15 << 11, 20, 21, 22 | 1 << 11, 23, 24 | 9 << 11, 33]
assert [row_field[(y, 1)] for y in (0, 31, 32, 33)] == [31 << 11, 31, 32 | 1 << 11, 33]
assert weights4(731, 3) == [128, 63, 0, 0] and weights4(17, 22) == [0, 0, 200, 21]

table4 = container((640, 480), W4, H4, [sec4_0, sec4_1, [], []], blend4, H4 * len(blocks))
assert len(table4) == 128 + 80 + 3 * 65552 + 34 * (16 + 752 * 4) == 299680
open('Camera_4K_Project.tab', 'wb').write(table4)
