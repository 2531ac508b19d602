#!/usr/bin/env python3
"""Build dina.fon, the Windows 3.x font resource file the program embeds.

Usage: make_font.py OUT_DIR

Writes OUT_DIR/dina.fon (a 16-bit NE module holding four raster fonts of the
face "Dina") and OUT_DIR/dina_font.inc (the same bytes as a C initializer
list). The glyphs come from the public-domain X11 "misc-fixed" fonts
(Debian package xfonts-base), read through pcf2bdf (Debian package pcf2bdf).
The output depends only on those inputs, so every run gives the same bytes.
"""

import os
import struct
import subprocess
import sys
from dataclasses import dataclass

SOURCE_FONT_DIR = "/usr/share/fonts/X11/misc"

FACE_NAME = "Dina"
MODULE_NAME = "DINAR"
MODULE_DESCRIPTION = "FONTRES 100,96,96 : Dina 6,8,9,10"
COPYRIGHT_NOTICE = "Glyphs from X11 misc-fixed (public domain)"

RESOLUTION_DPI = 96
FONT_WEIGHT_NORMAL = 400
FF_MODERN_FIXED_PITCH = 0x30
FIRST_CHAR = 0
LAST_CHAR = 255
DEFAULT_CHAR = 31
BREAK_CHAR = 0

RT_FONTDIR = 0x8007
RT_FONT = 0x8008
FONTDIR_FLAGS = 0x0C50  # moveable, preloaded, shareable
FONT_FLAGS = 0x1C30  # moveable, shareable, discardable
NE_FLAG_LIBRARY = 0x8000
NE_TARGET_WINDOWS = 2
EXPECTED_WINDOWS_VERSION = 0x0300
RESOURCE_ALIGN_SHIFT = 4
RESOURCE_ALIGN = 1 << RESOURCE_ALIGN_SHIFT

FNT_VERSION_2 = 0x0200
FNT_HEADER_SIZE = 118
# The font directory repeats each header up to, not including, dfBitsOffset.
FONTDIR_HEADER_BYTES = 113

NE_HEADER_OFFSET = 0x70
NE_HEADER_SIZE = 64


@dataclass(frozen=True)
class FontSize:
    ordinal: int
    points: int
    cell_width: int
    cell_height: int
    ascent: int
    internal_leading: int
    charset: int
    codepage: str
    source_font: str  # misc-fixed ISO10646-1 font the glyphs are taken from


FONT_SIZES = (
    FontSize(1, 6, 6, 10, 8, 2, 204, "cp1251", "6x10"),
    FontSize(2, 8, 7, 13, 10, 3, 0, "cp1252", "7x13"),
    FontSize(3, 9, 7, 15, 11, 3, 0, "cp1252", "7x14"),
    FontSize(4, 10, 8, 16, 12, 3, 0, "cp1252", "8x13"),
)


@dataclass(frozen=True)
class BdfGlyph:
    width: int  # bounding box
    height: int
    x_offset: int
    y_offset: int
    rows: tuple  # one int per row, top row first, MSB-aligned to whole bytes


@dataclass(frozen=True)
class BdfFont:
    cell_width: int
    default_char: int
    glyphs: dict  # Unicode code point -> BdfGlyph


def parse_bdf(text):
    glyphs = {}
    cell_width = None
    default_char = 0
    encoding = None
    bbx = None
    lines = iter(text.splitlines())
    for line in lines:
        fields = line.split()
        if not fields:
            continue
        keyword = fields[0]
        if keyword == "FONTBOUNDINGBOX":
            cell_width = int(fields[1])
        elif keyword == "DEFAULT_CHAR":
            default_char = int(fields[1])
        elif keyword == "ENCODING":
            encoding = int(fields[1])
        elif keyword == "BBX":
            bbx = tuple(int(value) for value in fields[1:5])
        elif keyword == "BITMAP":
            rows = []
            for row in lines:
                if row.strip() == "ENDCHAR":
                    break
                rows.append(int(row, 16))
            if encoding is not None and encoding >= 0:
                glyphs[encoding] = BdfGlyph(*bbx, tuple(rows))
            encoding = None
            bbx = None
    if cell_width is None:
        raise ValueError("BDF text has no FONTBOUNDINGBOX")
    return BdfFont(cell_width, default_char, glyphs)


def load_source_font(name):
    path = os.path.join(SOURCE_FONT_DIR, name + ".pcf.gz")
    if not os.path.isfile(path):
        raise FileNotFoundError(f"{path} is missing (Debian package xfonts-base)")
    bdf = subprocess.run(["pcf2bdf", path], check=True, capture_output=True, text=True).stdout
    return parse_bdf(bdf)


def glyph_pixels(glyph):
    """The glyph's ink as (x, y) pairs, x from the origin, y upwards from the baseline."""
    row_bits = ((glyph.width + 7) // 8) * 8
    pixels = []
    for index, row in enumerate(glyph.rows):
        y = glyph.y_offset + glyph.height - 1 - index
        for column in range(glyph.width):
            if row >> (row_bits - 1 - column) & 1:
                pixels.append((glyph.x_offset + column, y))
    return pixels


def shift(pixels, dx, dy):
    return [(x + dx, y + dy) for x, y in pixels]


def squeeze_topmost_gap(pixels):
    """Removes the highest blank row inside the ink, e.g. between an accent and its capital."""
    used_rows = {y for _, y in pixels}
    gaps = [y for y in range(min(used_rows) + 1, max(used_rows)) if y not in used_rows]
    if not gaps:
        return None
    gap = max(gaps)
    return [(x, y - 1 if y > gap else y) for x, y in pixels]


def fit_vertically(pixels, top, bottom):
    """Keeps ink within rows bottom..top (inclusive, baseline 0) while moving as little as possible."""
    def overflow_above():
        return max(y for _, y in pixels) - top

    # A glyph that floats above the baseline (superscripts, the trade mark)
    # can come down without touching the baseline.
    lowest = min(y for _, y in pixels)
    if overflow_above() > 0 and lowest > 0:
        pixels = shift(pixels, 0, -min(overflow_above(), lowest))
    while overflow_above() > 0:
        squeezed = squeeze_topmost_gap(pixels)
        if squeezed is None:
            break
        pixels = squeezed
    room_below = min(y for _, y in pixels) - bottom
    if overflow_above() > 0 and room_below > 0:
        pixels = shift(pixels, 0, -min(overflow_above(), room_below))
    overflow_below = bottom - min(y for _, y in pixels)
    room_above = top - max(y for _, y in pixels)
    if overflow_below > 0 and room_above > 0:
        pixels = shift(pixels, 0, min(overflow_below, room_above))
    return [(x, y) for x, y in pixels if bottom <= y <= top]


def fit_horizontally(pixels, source_cell_width, cell_width):
    pixels = shift(pixels, (cell_width - source_cell_width) // 2, 0)
    leftmost = min(x for x, _ in pixels)
    rightmost = max(x for x, _ in pixels)
    if leftmost < 0:
        pixels = shift(pixels, min(-leftmost, cell_width - 1 - rightmost), 0)
    elif rightmost >= cell_width:
        pixels = shift(pixels, -min(rightmost - cell_width + 1, leftmost), 0)
    return [(x, y) for x, y in pixels if 0 <= x < cell_width]


def fit_glyph(glyph, source_cell_width, size):
    """Returns the glyph as cell_height row masks, top row first, leftmost pixel in the top bit."""
    row_bits = ((size.cell_width + 7) // 8) * 8
    pixels = glyph_pixels(glyph)
    rows = [0] * size.cell_height
    if not pixels:
        return rows
    pixels = fit_horizontally(pixels, source_cell_width, size.cell_width)
    descent = size.cell_height - size.ascent
    pixels = fit_vertically(pixels, size.ascent - 1, -descent)
    for x, y in pixels:
        rows[size.ascent - 1 - y] |= 1 << (row_bits - 1 - x)
    return rows


def unicode_for_code(code, codepage):
    try:
        return ord(bytes([code]).decode(codepage))
    except UnicodeDecodeError:
        return None


def glyph_rows_for_size(size, source):
    blank = [0] * size.cell_height
    missing_box = fit_glyph(source.glyphs[source.default_char], source.cell_width, size)
    table = []
    for code in range(FIRST_CHAR, LAST_CHAR + 1):
        if code == DEFAULT_CHAR:
            table.append(missing_box)
        elif code < 0x20:
            table.append(blank)
        else:
            code_point = unicode_for_code(code, size.codepage)
            glyph = source.glyphs.get(code_point) if code_point is not None else None
            table.append(missing_box if glyph is None else fit_glyph(glyph, source.cell_width, size))
    return table


def fnt_header(size, font_length, face_offset, bits_offset):
    copyright_field = COPYRIGHT_NOTICE.encode("ascii").ljust(60, b"\0")
    width_bytes = (LAST_CHAR - FIRST_CHAR + 1) * ((size.cell_width + 7) // 8)
    width_bytes += width_bytes & 1
    header = struct.pack(
        "<HI60sHHHHHHHBBBHBHHBHHBBBBHIIII",
        FNT_VERSION_2,
        font_length,
        copyright_field,
        0,  # dfType: raster, bits in the file
        size.points,
        RESOLUTION_DPI,
        RESOLUTION_DPI,
        size.ascent,
        size.internal_leading,
        0,  # external leading
        0,  # italic
        0,  # underline
        0,  # strike-out
        FONT_WEIGHT_NORMAL,
        size.charset,
        size.cell_width,
        size.cell_height,
        FF_MODERN_FIXED_PITCH,
        size.cell_width,  # average width
        size.cell_width,  # maximum width
        FIRST_CHAR,
        LAST_CHAR,
        DEFAULT_CHAR - FIRST_CHAR,
        BREAK_CHAR - FIRST_CHAR,
        width_bytes,
        0,  # no device name
        face_offset,
        0,  # bits pointer, filled in by the loader
        bits_offset,
    ) + b"\0"  # reserved
    assert len(header) == FNT_HEADER_SIZE
    return header


def build_fnt(size, glyph_rows):
    """One FNT 2.0 font, padded to the resource alignment so that dfSize is its resource length."""
    char_count = LAST_CHAR - FIRST_CHAR + 1
    bytes_per_glyph = ((size.cell_width + 7) // 8) * size.cell_height
    # One extra table entry after the last character, the absolute space; it shares the space glyph.
    table_size = (char_count + 1) * 4
    bits_offset = FNT_HEADER_SIZE + table_size
    face_offset = bits_offset + char_count * bytes_per_glyph
    font_length = align(face_offset + len(FACE_NAME) + 1)

    glyph_table = bytearray()
    for index in range(char_count):
        glyph_table += struct.pack("<HH", size.cell_width, bits_offset + index * bytes_per_glyph)
    space_index = ord(" ") - FIRST_CHAR
    glyph_table += struct.pack("<HH", size.cell_width, bits_offset + space_index * bytes_per_glyph)

    bitmaps = bytearray()
    for rows in glyph_rows:
        # Column strips of 8 pixels, each strip top to bottom.
        strips = (size.cell_width + 7) // 8
        for strip in range(strips):
            for row in rows:
                bitmaps.append(row >> (8 * (strips - 1 - strip)) & 0xFF)

    body = fnt_header(size, font_length, face_offset, bits_offset) + glyph_table + bitmaps
    body += FACE_NAME.encode("ascii") + b"\0"
    return bytes(body.ljust(font_length, b"\0"))


def align(offset):
    return (offset + RESOURCE_ALIGN - 1) // RESOURCE_ALIGN * RESOURCE_ALIGN


def pascal_string(text):
    data = text.encode("ascii")
    return bytes([len(data)]) + data


def build_font_directory(fonts):
    directory = struct.pack("<H", len(fonts))
    for size, fnt in fonts:
        directory += struct.pack("<H", size.ordinal) + fnt[:FONTDIR_HEADER_BYTES]
        directory += b"\0" + FACE_NAME.encode("ascii") + b"\0"  # empty device name, face
    return directory


def dos_stub():
    message = b"Windows font file.\r\n$"
    code = bytes([
        0x0E,              # push cs
        0x1F,              # pop ds
        0xBA, 0x0E, 0x00,  # mov dx, message
        0xB4, 0x09,        # mov ah, 9
        0xCD, 0x21,        # int 21h
        0xB8, 0x01, 0x4C,  # mov ax, 4C01h
        0xCD, 0x21,        # int 21h
    ])
    assert len(code) == 0x0E
    header = struct.pack(
        "<2sHHHHHHHHHHHHH8sHH20sI",
        b"MZ",
        NE_HEADER_OFFSET % 512,  # bytes in the last page of the DOS image
        (NE_HEADER_OFFSET + 511) // 512,  # pages
        0,  # relocations
        4,  # header paragraphs
        0,  # minimum extra paragraphs
        0xFFFF,  # maximum extra paragraphs
        0,  # ss
        0xB8,  # sp
        0,  # checksum
        0,  # ip
        0,  # cs
        0x40,  # relocation table offset; 0x40 marks a new-style executable
        0,  # overlay
        b"\0" * 8,
        0,
        0,
        b"\0" * 20,
        NE_HEADER_OFFSET,
    )
    stub = header + code + message
    assert len(stub) <= NE_HEADER_OFFSET
    return stub.ljust(NE_HEADER_OFFSET, b"\0")


def build_resource_file(fonts):
    font_directory = build_font_directory(fonts)

    type_count = 2
    resource_table_size = 2 + type_count * 8 + (1 + len(fonts)) * 12 + 2
    fontdir_name_offset = resource_table_size  # relative to the resource table
    names = pascal_string("FONTDIR") + b"\0"
    resource_table_size += len(names)

    resident_names = pascal_string(MODULE_NAME) + struct.pack("<H", 0) + b"\0"
    imported_names = b"\0"
    entry_table = b"\0\0"
    nonresident_names = pascal_string(MODULE_DESCRIPTION) + struct.pack("<H", 0) + b"\0"

    resource_table_at = NE_HEADER_SIZE
    resident_names_at = resource_table_at + resource_table_size
    module_refs_at = resident_names_at + len(resident_names)
    imported_names_at = module_refs_at
    entry_table_at = imported_names_at + len(imported_names)
    nonresident_names_file_at = NE_HEADER_OFFSET + entry_table_at + len(entry_table)

    fontdir_file_at = align(nonresident_names_file_at + len(nonresident_names))
    font_file_at = []
    next_at = align(fontdir_file_at + len(font_directory))
    for _, fnt in fonts:
        font_file_at.append(next_at)
        next_at += len(fnt)  # already a multiple of the alignment

    def units(value):
        return value >> RESOURCE_ALIGN_SHIFT

    resource_table = struct.pack("<H", RESOURCE_ALIGN_SHIFT)
    resource_table += struct.pack("<HHI", RT_FONTDIR, 1, 0)
    resource_table += struct.pack(
        "<HHHHI", units(fontdir_file_at), units(align(len(font_directory))),
        FONTDIR_FLAGS, fontdir_name_offset, 0)
    resource_table += struct.pack("<HHI", RT_FONT, len(fonts), 0)
    for (size, fnt), at in zip(fonts, font_file_at):
        resource_table += struct.pack(
            "<HHHHI", units(at), units(len(fnt)), FONT_FLAGS, 0x8000 | size.ordinal, 0)
    resource_table += struct.pack("<H", 0) + names
    assert len(resource_table) == resource_table_size

    ne_header = struct.pack(
        "<2sBBHHIHHHHIIHHHHHHHHIHHHBBHHHH",
        b"NE",
        5, 10,  # linker version
        entry_table_at,
        len(entry_table),
        0,  # checksum
        NE_FLAG_LIBRARY,
        0,  # automatic data segment
        0,  # heap
        0,  # stack
        0,  # cs:ip
        0,  # ss:sp
        0,  # segments
        0,  # module references
        len(nonresident_names),
        resource_table_at,  # segment table, empty
        resource_table_at,
        resident_names_at,
        module_refs_at,
        imported_names_at,
        nonresident_names_file_at,  # a file offset, unlike the others
        0,  # movable entry points
        RESOURCE_ALIGN_SHIFT,  # segment alignment shift
        0,  # resource segments
        NE_TARGET_WINDOWS,
        0,  # other flags
        0, 0, 0,  # gangload area, swap area
        EXPECTED_WINDOWS_VERSION,
    )
    assert len(ne_header) == NE_HEADER_SIZE

    image = bytearray(dos_stub())
    image += ne_header + resource_table + resident_names + imported_names + entry_table
    assert len(image) == nonresident_names_file_at
    image += nonresident_names
    image = image.ljust(fontdir_file_at, b"\0")
    image += font_directory
    for (_, fnt), at in zip(fonts, font_file_at):
        image = image.ljust(at, b"\0")
        image += fnt
    return bytes(image)


def c_initializer_text(data, per_line=16):
    lines = []
    for start in range(0, len(data), per_line):
        lines.append(", ".join(f"0x{byte:02x}" for byte in data[start:start + per_line]))
    return ",\n".join(lines) + "\n"


def build_image():
    fonts = []
    for size in FONT_SIZES:
        source = load_source_font(size.source_font)
        fonts.append((size, build_fnt(size, glyph_rows_for_size(size, source))))
    return build_resource_file(fonts)


def main(argv):
    if len(argv) != 2:
        print("usage: make_font.py OUT_DIR", file=sys.stderr)
        return 2
    out_dir = argv[1]
    try:
        image = build_image()
    except (FileNotFoundError, subprocess.CalledProcessError) as error:
        print(f"make_font.py: {error}", file=sys.stderr)
        return 1
    os.makedirs(out_dir, exist_ok=True)
    with open(os.path.join(out_dir, "dina.fon"), "wb") as out:
        out.write(image)
    with open(os.path.join(out_dir, "dina_font.inc"), "w", newline="\n") as out:
        out.write(c_initializer_text(image))
    print(f"wrote {len(image)} bytes to {os.path.join(out_dir, 'dina.fon')}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
