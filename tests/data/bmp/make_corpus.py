#!/usr/bin/env python3
"""Writes the BMP test corpus: tests/data/bmp/good/*.bmp and tests/data/bmp/bad/*.bmp.

Good files hold known pictures that tests/lumarix/foundation/bmp_read_test.cpp rebuilds from
the same formulas (rgb(), alpha(), idx1/4/8(), pal1/4/8() below; keep both sides in step).
Most are written byte by byte here; the im_*.bmp files come from ImageMagick's own encoder, as
an independent check of the reader. Every bad file must be refused with EInvalidGraphic.

Run it from anywhere: python3 tests/data/bmp/make_corpus.py  (needs ImageMagick's `convert`).
"""
import os
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
GOOD = os.path.join(HERE, "good")
BAD = os.path.join(HERE, "bad")

W, H = 13, 5  # odd width, so every format has row padding


# ---- the known pictures (y = 0 is the top row) -----------------------------------------------
def rgb(x, y):
    return ((x * 20 + y * 3) % 256, (y * 50 + x) % 256, (x * y * 9 + 40) % 256)


def alpha(x, y):
    return (x + y * W) * 3 % 256


def idx1(x, y):
    return ((x + y) & 1) ^ (1 if x % 3 == 0 else 0)


def idx4(x, y):
    return (x * 3 + y) % 16


def idx8(x, y):
    return (x + y * W) * 7 % 256


def pal1(i):
    return [(10, 20, 30), (200, 210, 220)][i]


def pal4(i):
    return (i * 16, i * 8, 255 - i * 16)


def pal8(i):
    return (i, 255 - i, i * 3 % 256)


# ---- building blocks -------------------------------------------------------------------------
def file_header(total, offset):
    return b"BM" + struct.pack("<IHHI", total, 0, 0, offset)


def info_header(size, w, h, bpp, compression=0, size_image=0, colours=0, masks=None):
    """A BITMAPINFOHEADER of `size` bytes (40, 52, 56, 108 or 124); masks go inside when it has room."""
    hdr = struct.pack("<IiiHHIIiiII", size, w, h, 1, bpp, compression, size_image, 2835, 2835, colours, 0)
    if size > 40:
        m = list(masks or (0, 0, 0, 0)) + [0] * 4
        hdr += struct.pack("<IIII", *m[:4])[: size - 40 if size < 56 else 16]
    if size >= 108:
        hdr += struct.pack("<I", 0x73524742)  # LCS_sRGB
        hdr += b"\0" * (size - len(hdr))
    assert len(hdr) == size, (size, len(hdr))
    return hdr


def core_header(w, h, bpp):
    return struct.pack("<IHHHH", 12, w, h, 1, bpp)


def palette(entries, core=False):
    out = b""
    for r, g, b in entries:
        out += bytes([b, g, r]) if core else bytes([b, g, r, 0])
    return out


def pack_rows(rows, top_down=False):
    """Pads each row of bytes to a multiple of 4 and orders them as stored."""
    order = rows if top_down else list(reversed(rows))
    out = b""
    for row in order:
        out += row + b"\0" * (-len(row) % 4)
    return out


def pack_bits(indices, bpp):
    out, acc, n = bytearray(), 0, 0
    for v in indices:
        acc = (acc << bpp) | v
        n += bpp
        if n == 8:
            out.append(acc)
            acc, n = 0, 0
    if n:
        out.append(acc << (8 - n))
    return bytes(out)


def bmp(header, pal, data, offset=None):
    start = 14 + len(header) + len(pal)
    off = start if offset is None else offset
    return file_header(start + len(data), off) + header + pal + data


def write(folder, name, data):
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


# ---- pixel rows of the known pictures ----------------------------------------------------------
def rows_indexed(fn, bpp, w=W, h=H):
    return [pack_bits([fn(x, y) for x in range(w)], bpp) if bpp < 8 else bytes(fn(x, y) for x in range(w))
            for y in range(h)]


def rows_24():
    return [b"".join(bytes([b, g, r]) for r, g, b in (rgb(x, y) for x in range(W))) for y in range(H)]


def rows_32_plain():
    return [b"".join(bytes([rgb(x, y)[2], rgb(x, y)[1], rgb(x, y)[0], alpha(x, y)]) for x in range(W))
            for y in range(H)]


def field(value, bits):
    """The top `bits` bits of an 8-bit value."""
    return value >> (8 - bits) if bits <= 8 else value << (bits - 8) | value >> (16 - bits)


def rows_bitfields(layout, size):
    """layout: list of (channel, bits, shift); channel 0..2 = r, g, b; 3 = alpha."""
    rows = []
    for y in range(H):
        row = b""
        for x in range(W):
            c = rgb(x, y) + (alpha(x, y),)
            px = 0
            for ch, bits, shift in layout:
                px |= field(c[ch], bits) << shift
            row += px.to_bytes(size, "little")
        rows.append(row)
    return rows


def masks_of(layout):
    m = [0, 0, 0, 0]
    for ch, bits, shift in layout:
        m[ch] = ((1 << bits) - 1) << shift
    return tuple(m)


L555 = [(0, 5, 10), (1, 5, 5), (2, 5, 0)]
L565 = [(0, 5, 11), (1, 6, 5), (2, 5, 0)]
L1555 = [(3, 1, 15), (0, 5, 10), (1, 5, 5), (2, 5, 0)]
L4444 = [(3, 4, 12), (0, 4, 8), (1, 4, 4), (2, 4, 0)]
L8888 = [(3, 8, 24), (0, 8, 16), (1, 8, 8), (2, 8, 0)]
LBGR = [(0, 8, 0), (1, 8, 8), (2, 8, 16)]
L2101010 = [(3, 2, 30), (0, 10, 20), (1, 10, 10), (2, 10, 0)]

# RLE pictures: the expected grids are in bmp_read_test.cpp (kRle8Expected, kRle4Expected).
RLE8_W, RLE8_H = 10, 6
RLE8_DATA = bytes([
    4, 0x11, 0, 3, 0x21, 0x22, 0x23, 0, 3, 0x30, 0, 0,      # bottom row: run, absolute (padded), run
    0, 5, 1, 2, 3, 4, 5, 0, 0, 2, 2, 0, 3, 0x40, 0, 0,      # absolute (padded), delta right 2, run
    12, 0x55, 0, 0,                                         # a run past the right edge is cut
    0, 2, 3, 1, 2, 0x66, 0, 0,                              # delta 3 right, 1 up: skips a whole row
    0, 4, 7, 8, 9, 10, 0, 1,                                # absolute (even), end of bitmap
])
RLE4_W, RLE4_H = 9, 4
RLE4_DATA = bytes([
    5, 0x12, 0, 4, 0xAB, 0xCD, 0, 0,                        # run of alternating nibbles, absolute
    0, 5, 0x12, 0x34, 0x50, 0, 0, 2, 2, 0, 2, 0xEF, 0, 0,   # absolute of 5 (3 bytes + pad), delta, run
    11, 0x67, 0, 0,                                         # cut at the right edge
    1, 0x90, 0, 1,                                          # one pixel, end of bitmap
])


def good_files():
    g = {}
    pal1_bytes = palette([pal1(i) for i in range(2)])
    pal4_bytes = palette([pal4(i) for i in range(16)])
    pal8_bytes = palette([pal8(i) for i in range(256)])

    g["pal1.bmp"] = bmp(info_header(40, W, H, 1), pal1_bytes, pack_rows(rows_indexed(idx1, 1)))
    g["pal1_core.bmp"] = bmp(core_header(W, H, 1), palette([pal1(i) for i in range(2)], core=True),
                             pack_rows(rows_indexed(idx1, 1)))
    g["pal4.bmp"] = bmp(info_header(40, W, H, 4), pal4_bytes, pack_rows(rows_indexed(idx4, 4)))
    g["pal4_core.bmp"] = bmp(core_header(W, H, 4), palette([pal4(i) for i in range(16)], core=True),
                             pack_rows(rows_indexed(idx4, 4)))
    g["pal8.bmp"] = bmp(info_header(40, W, H, 8), pal8_bytes, pack_rows(rows_indexed(idx8, 8)))
    g["pal8_topdown.bmp"] = bmp(info_header(40, W, -H, 8), pal8_bytes,
                                pack_rows(rows_indexed(idx8, 8), top_down=True))
    g["pal8_core.bmp"] = bmp(core_header(W, H, 8), palette([pal8(i) for i in range(256)], core=True),
                             pack_rows(rows_indexed(idx8, 8)))
    g["pal8_v5.bmp"] = bmp(info_header(124, W, H, 8), pal8_bytes, pack_rows(rows_indexed(idx8, 8)))
    # A short colour table (100 entries) and a gap before the pixels that bfOffBits skips.
    short = palette([pal8(i) for i in range(100)])
    data = pack_rows(rows_indexed(lambda x, y: idx8(x, y) % 100, 8))
    hdr = info_header(40, W, H, 8, colours=100)
    off = 14 + 40 + len(short) + 6
    g["pal8_short_palette.bmp"] = file_header(off + len(data), off) + hdr + short + b"\xEE" * 6 + data

    g["pal8_rle8.bmp"] = bmp(info_header(40, RLE8_W, RLE8_H, 8, 1, len(RLE8_DATA)), pal8_bytes, RLE8_DATA)
    g["pal4_rle4.bmp"] = bmp(info_header(40, RLE4_W, RLE4_H, 4, 2, 0), pal4_bytes, RLE4_DATA)

    g["rgb16_555.bmp"] = bmp(info_header(40, W, H, 16), b"", pack_rows(rows_bitfields(L555, 2)))
    g["rgb16_565_bitfields.bmp"] = bmp(info_header(40, W, H, 16, 3), struct.pack("<III", *masks_of(L565)[:3]),
                                       pack_rows(rows_bitfields(L565, 2)))
    g["rgb16_565_52.bmp"] = bmp(info_header(52, W, H, 16, 3, masks=masks_of(L565)), b"",
                                pack_rows(rows_bitfields(L565, 2)))
    g["rgb16_1555_alphabitfields.bmp"] = bmp(info_header(40, W, H, 16, 6), struct.pack("<IIII", *masks_of(L1555)),
                                             pack_rows(rows_bitfields(L1555, 2)))
    g["rgb16_4444_v5.bmp"] = bmp(info_header(124, W, H, 16, 3, masks=masks_of(L4444)), b"",
                                 pack_rows(rows_bitfields(L4444, 2)))

    g["rgb24.bmp"] = bmp(info_header(40, W, H, 24), b"", pack_rows(rows_24()))
    g["rgb24_topdown.bmp"] = bmp(info_header(40, W, -H, 24), b"", pack_rows(rows_24(), top_down=True))
    g["rgb24_core.bmp"] = bmp(core_header(W, H, 24), b"", pack_rows(rows_24()))
    g["rgb24_v4.bmp"] = bmp(info_header(108, W, H, 24), b"", pack_rows(rows_24()))

    g["rgb32.bmp"] = bmp(info_header(40, W, H, 32), b"", pack_rows(rows_32_plain()))
    g["rgb32_topdown.bmp"] = bmp(info_header(40, W, -H, 32), b"", pack_rows(rows_32_plain(), top_down=True))
    g["rgb32_bgr_52.bmp"] = bmp(info_header(52, W, H, 32, 3, masks=masks_of(LBGR)), b"",
                                pack_rows(rows_bitfields(LBGR, 4)))
    g["rgb32_alpha_56.bmp"] = bmp(info_header(56, W, H, 32, 3, masks=masks_of(L8888)), b"",
                                  pack_rows(rows_bitfields(L8888, 4)))
    g["rgb32_alpha_v4.bmp"] = bmp(info_header(108, W, H, 32, 3, masks=masks_of(L8888)), b"",
                                  pack_rows(rows_bitfields(L8888, 4)))
    g["rgb32_alpha_v5_topdown.bmp"] = bmp(info_header(124, W, -H, 32, 3, masks=masks_of(L8888)), b"",
                                          pack_rows(rows_bitfields(L8888, 4), top_down=True))
    g["rgb32_2101010_v5.bmp"] = bmp(info_header(124, W, H, 32, 3, masks=masks_of(L2101010)), b"",
                                    pack_rows(rows_bitfields(L2101010, 4)))
    return g


def imagemagick_files():
    """The same pictures through ImageMagick's encoder (written from PPM/PAM sources)."""
    out = {}
    with tempfile.TemporaryDirectory() as tmp:
        ppm = os.path.join(tmp, "rgb.ppm")
        with open(ppm, "wb") as f:
            f.write(b"P6 %d %d 255\n" % (W, H) + bytes(c for y in range(H) for x in range(W) for c in rgb(x, y)))
        pam = os.path.join(tmp, "rgba.pam")
        with open(pam, "wb") as f:
            f.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n" % (W, H))
            # The fourth byte here is opacity, the complement of the library's transparency.
            f.write(bytes(c for y in range(H) for x in range(W) for c in rgb(x, y) + (alpha(x, y),)))
        pal = os.path.join(tmp, "pal.ppm")
        with open(pal, "wb") as f:
            f.write(b"P6 %d %d 255\n" % (W, H) + bytes(c for y in range(H) for x in range(W)
                                                       for c in pal8(idx8(x, y))))
        jobs = {
            "im_rgb24.bmp": [ppm, "-type", "TrueColor", "BMP3:%s"],
            "im_rgb565.bmp": [ppm, "-define", "bmp:subtype=RGB565", "BMP:%s"],
            "im_rgba32.bmp": [pam, "-define", "bmp:format=bmp4", "BMP:%s"],
            "im_rle8.bmp": [pal, "-type", "Palette", "-compress", "RLE", "BMP3:%s"],
        }
        for name, args in jobs.items():
            target = os.path.join(tmp, name)
            subprocess.run(["convert"] + args[:-1] + [args[-1] % target], check=True)
            with open(target, "rb") as f:
                out[name] = f.read()
    return out


def bad_files():
    b = {}
    base24 = bmp(info_header(40, 4, 3, 24), b"", pack_rows([bytes(range(12))] * 3))
    pal8_bytes = palette([pal8(i) for i in range(256)])
    base8 = bmp(info_header(40, 4, 3, 8), pal8_bytes, pack_rows([bytes([1, 2, 3, 4])] * 3))

    def with_header(**kw):
        args = dict(size=40, w=4, h=3, bpp=24, compression=0, size_image=0, colours=0, masks=None)
        args.update(kw)
        return bmp(info_header(args["size"], args["w"], args["h"], args["bpp"], args["compression"],
                               args["size_image"], args["colours"], args["masks"]), b"",
                   pack_rows([bytes(range(12))] * 3))

    def patch(data, offset, fmt, value):
        d = bytearray(data)
        struct.pack_into(fmt, d, offset, value)
        return bytes(d)

    b["empty.bmp"] = b""
    b["signature_only.bmp"] = b"BM"
    b["wrong_signature.bmp"] = b"MB" + base24[2:]
    b["file_header_truncated.bmp"] = base24[:10]
    b["info_header_truncated.bmp"] = base24[:30]
    b["v5_header_truncated.bmp"] = patch(base24, 14, "<I", 124)[:100]
    b["header_size_unknown.bmp"] = patch(base24, 14, "<I", 20)
    b["header_size_huge.bmp"] = patch(base24, 14, "<I", 0xFFFFFFF0)
    b["width_zero.bmp"] = with_header(w=0)
    b["width_negative.bmp"] = with_header(w=-4)
    b["height_zero.bmp"] = with_header(h=0)
    b["height_int_min.bmp"] = with_header(h=-(2 ** 31))
    b["too_large.bmp"] = with_header(w=20000, h=20000)
    b["too_large_width.bmp"] = with_header(w=2 ** 31 - 1, h=1)
    b["too_large_rle8.bmp"] = bmp(info_header(40, 40000, 40000, 8, 1, 2), pal8_bytes, bytes([0, 1]))
    b["core_too_large.bmp"] = bmp(core_header(65535, 65535, 24), b"", b"\0" * 64)
    b["bpp_invalid.bmp"] = with_header(bpp=7)
    b["bpp_zero.bmp"] = with_header(bpp=0)
    b["core_bpp16.bmp"] = bmp(core_header(4, 3, 16), b"", b"\0" * 24)
    b["compression_jpeg.bmp"] = with_header(compression=4)
    b["compression_png.bmp"] = with_header(compression=5)
    b["compression_unknown.bmp"] = with_header(compression=99)
    b["rle8_with_24bpp.bmp"] = with_header(compression=1)
    b["rle4_with_8bpp.bmp"] = patch(base8, 30, "<I", 2)
    b["rle8_topdown.bmp"] = bmp(info_header(40, 4, -3, 8, 1), pal8_bytes, bytes([4, 1, 0, 1]))
    b["bitfields_24bpp.bmp"] = bmp(info_header(40, 4, 3, 24, 3), struct.pack("<III", 0xFF0000, 0xFF00, 0xFF),
                                   pack_rows([bytes(range(12))] * 3))
    b["offset_past_end.bmp"] = patch(base24, 10, "<I", len(base24) + 10)
    b["offset_into_headers.bmp"] = patch(base24, 10, "<I", 20)
    b["offset_huge.bmp"] = patch(base24, 10, "<I", 0xFFFFFFFF)
    b["palette_truncated.bmp"] = base8[: 14 + 40 + 100]
    b["palette_too_many.bmp"] = patch(base8, 46, "<I", 1000)
    b["palette_overlaps_pixels.bmp"] = patch(base8, 10, "<I", 14 + 40 + 16)
    b["pixels_truncated_24.bmp"] = base24[:-5]
    b["pixels_truncated_1bpp.bmp"] = bmp(info_header(40, 40, 8, 1), palette([pal1(0), pal1(1)]), b"\xAA" * 20)
    b["pixels_truncated_bitfields.bmp"] = bmp(info_header(56, 4, 3, 32, 3, masks=masks_of(L8888)), b"",
                                              b"\x10" * 40)
    b["rle8_no_end.bmp"] = bmp(info_header(40, 4, 3, 8, 1), pal8_bytes, bytes([4, 1, 0, 0, 4, 2]))
    b["rle8_odd_byte.bmp"] = bmp(info_header(40, 4, 3, 8, 1), pal8_bytes, bytes([4, 1, 0, 0, 4]))
    b["rle8_absolute_past_end.bmp"] = bmp(info_header(40, 4, 3, 8, 1), pal8_bytes, bytes([0, 32, 1, 2, 3]))
    b["rle8_delta_truncated.bmp"] = bmp(info_header(40, 4, 3, 8, 1), pal8_bytes, bytes([0, 2, 5]))
    b["rle8_size_image_lies.bmp"] = bmp(info_header(40, 4, 3, 8, 1, 5000), pal8_bytes, bytes([4, 1, 0, 1]))
    b["rle8_size_image_cuts.bmp"] = bmp(info_header(40, 4, 3, 8, 1, 4), pal8_bytes, bytes([4, 1, 0, 0, 0, 1]))
    b["rle4_no_end.bmp"] = bmp(info_header(40, 4, 3, 4, 2), palette([pal4(i) for i in range(16)]),
                               bytes([4, 0x12, 0, 0]))
    b["rle4_absolute_past_end.bmp"] = bmp(info_header(40, 4, 3, 4, 2), palette([pal4(i) for i in range(16)]),
                                          bytes([0, 9, 0x12, 0x34]))
    b["bitfields_masks_truncated.bmp"] = (file_header(14 + 40 + 4, 14 + 40 + 12) +
                                          info_header(40, 4, 3, 32, 3) + struct.pack("<I", 0xFF0000))
    b["bitfields_noncontiguous.bmp"] = bmp(info_header(52, 4, 3, 32, 3, masks=(0x0F0F, 0xF0F000, 0xFF000000)),
                                           b"", b"\0" * 48)
    b["bitfields_mask_too_wide_16.bmp"] = bmp(info_header(52, 4, 3, 16, 3, masks=(0x1F0000, 0x7E0, 0x1F)),
                                              b"", b"\0" * 24)
    return b


def main():
    for folder in (GOOD, BAD):
        if os.path.isdir(folder):
            for name in os.listdir(folder):
                if name.endswith(".bmp"):
                    os.remove(os.path.join(folder, name))
    for name, data in {**good_files(), **imagemagick_files()}.items():
        write(GOOD, name, data)
    for name, data in bad_files().items():
        write(BAD, name, data)


if __name__ == "__main__":
    main()
