#!/usr/bin/env python3
"""Writes the seed corpus of the two file readers: good files and the truncated or hostile
ones each check exists for. Run from anywhere; the files land beside this script."""
import os
import struct

here = os.path.dirname(os.path.abspath(__file__))


def card(key, value=None):
    text = key.ljust(8) if value is None else f"{key:<8}= {value:>20}"
    return text.ljust(80)[:80]


def fits(cards, data=b"", pad=True):
    head = "".join(card(*c) if isinstance(c, tuple) else card(c) for c in cards) + card("END")
    head += " " * (-len(head) % 2880)
    body = data + (b"\0" * (-len(data) % 2880) if pad else b"")
    return head.encode() + body


def image(naxes, bitpix=16, extra=()):
    cards = [("SIMPLE", "T"), ("BITPIX", str(bitpix)), ("NAXIS", str(len(naxes)))]
    cards += [(f"NAXIS{i + 1}", str(n)) for i, n in enumerate(naxes)]
    cards += [("EXPTIME", "0.5")] + list(extra)
    return cards


def samples(count, start=0):
    return b"".join(struct.pack(">h", ((start + i) % 65536) - 32768) for i in range(count))


FITS = {
    "good_2d.fts": fits(image([4, 3]), samples(12)),
    "good_cube.fts": fits(image([3, 2, 4]), samples(24)),
    "unsigned_bzero.fts": fits(image([2, 2], extra=[("BZERO", "32768"), ("BSCALE", "1")]),
                               samples(4)),
    "truncated_data.fts": fits(image([512, 512, 100]), samples(100), pad=False),
    "axis_overflow.fts": fits(image([100000, 100000, 100000])),
    "negative_axis.fts": fits(image([-4, 3]), samples(12)),
    "zero_axis.fts": fits(image([0, 3])),
    "naxis1.fts": fits(image([12]), samples(12)),
    "naxis4.fts": fits(image([2, 2, 2, 2]), samples(16)),
    "bitpix8.fts": fits(image([4, 4], bitpix=8), bytes(16)),
    "bitpix_float.fts": fits(image([2, 2], bitpix=-32), bytes(16)),
    "no_naxis2.fts": fits([("SIMPLE", "T"), ("BITPIX", "16"), ("NAXIS", "2"), ("NAXIS1", "4")]),
    "huge_axis_text.fts": fits(image([4, 3]) + [("NAXIS2", "99999999999999999999")]),
    "header_only.fts": fits(image([4, 3]))[:2880],
    "half_header.fts": fits(image([4, 3]))[:1000],
    "empty.fts": b"",
    "text.fts": b"This is not a FITS file.\n" * 10,
}


def bmp(width, height, bits=8, offset=1078, image_size=None, colours=256, info_size=40,
        pixels=None, file_size=None, compression=0):
    stride = ((bits * abs(width) + 31) // 32) * 4 if width > 0 else 0
    if pixels is None:
        pixels = bytes((i * 7) & 0xFF for i in range(stride * abs(height)))
    if image_size is None:
        image_size = len(pixels)
    palette = b"".join(bytes((i, i, i, 0)) for i in range(256))
    header = struct.pack("<2sIHHI", b"BM", file_size if file_size is not None else
                         offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", info_size, width, height, 1, bits, compression,
                       image_size, 0, 0, colours, colours)
    body = header + info + palette
    body += b"\0" * max(0, offset - len(body))
    return body + pixels


def patch(data, at, value):
    return data[:at] + value + data[at + len(value):]


BMP = {
    "good_8bit.bmp": bmp(5, 3),
    "good_510x2.bmp": bmp(510, 2),
    "top_down.bmp": bmp(4, -2),
    "rgb24.bmp": bmp(4, 2, bits=24),
    "width_overflow.bmp": bmp(0x7FFFFFFF, 2, pixels=bytes(16)),
    "height_overflow.bmp": bmp(4, 0x40000000, pixels=bytes(16)),
    "negative_width.bmp": bmp(-4, 2, pixels=bytes(16)),
    "zero_height.bmp": bmp(4, 0, pixels=b""),
    "offset_past_end.bmp": patch(bmp(4, 2), 10, struct.pack("<I", 5000)),
    "offset_huge.bmp": patch(bmp(4, 2), 10, struct.pack("<I", 0xFFFFFF00)),
    "truncated_pixels.bmp": bmp(64, 64)[:1500],
    "image_size_lies.bmp": bmp(4, 2, image_size=0x7FFFFFF0),
    "image_size_zero.bmp": bmp(4, 2, image_size=0),
    "too_many_colours.bmp": bmp(4, 2, colours=100000),
    "palette_past_offset.bmp": bmp(4, 2, offset=200),
    "info_size_huge.bmp": bmp(4, 2, info_size=0xFFFFFFF0),
    "compressed.bmp": bmp(4, 2, compression=1),
    "header_only.bmp": bmp(4, 2)[:14],
    "short_info.bmp": bmp(4, 2)[:30],
    "empty.bmp": b"",
    "text.bmp": b"Only text, no picture.\n",
}

for folder, files in (("fits", FITS), ("bmp", BMP)):
    for name, data in files.items():
        with open(os.path.join(here, "corpus", folder, name), "wb") as f:
            f.write(data)
