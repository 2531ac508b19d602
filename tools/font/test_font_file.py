#!/usr/bin/env python3
"""Checks the committed font resource file (default: assets/font/dina.fon).

Usage: test_font_file.py [PATH_TO_FON]

Parses the file on its own (not through the generator) and checks the fields
the program and GDI depend on, then regenerates the file into a temporary
folder and compares the bytes. Exit code 0 on success, 1 on failure, 77 when
every check was skipped. The last line reads "N passed, N failed, N skipped".
"""

import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

TOOLS_DIR = os.path.dirname(os.path.abspath(__file__))
REPO_DIR = os.path.dirname(os.path.dirname(TOOLS_DIR))
DEFAULT_FON = os.path.join(REPO_DIR, "assets", "font", "dina.fon")
FON_PATH = DEFAULT_FON

# ordinal, points, cell width, cell height, ascent, internal leading, charset, code page
EXPECTED_FONTS = (
    (1, 6, 6, 10, 8, 2, 204, "cp1251"),
    (2, 8, 7, 13, 10, 3, 0, "cp1252"),
    (3, 9, 7, 15, 11, 3, 0, "cp1252"),
    (4, 10, 8, 16, 12, 3, 0, "cp1252"),
)
FONT_RESOURCE_TYPE = 0x8008
FONTDIR_RESOURCE_TYPE = 0x8007
FNT_HEADER_FIELDS = (
    ("dfVersion", "H", 0), ("dfSize", "I", 2), ("dfType", "H", 66), ("dfPoints", "H", 68),
    ("dfVertRes", "H", 70), ("dfHorizRes", "H", 72), ("dfAscent", "H", 74),
    ("dfInternalLeading", "H", 76), ("dfExternalLeading", "H", 78), ("dfItalic", "B", 80),
    ("dfUnderline", "B", 81), ("dfStrikeOut", "B", 82), ("dfWeight", "H", 83),
    ("dfCharSet", "B", 85), ("dfPixWidth", "H", 86), ("dfPixHeight", "H", 88),
    ("dfPitchAndFamily", "B", 90), ("dfAvgWidth", "H", 91), ("dfMaxWidth", "H", 93),
    ("dfFirstChar", "B", 95), ("dfLastChar", "B", 96), ("dfDefaultChar", "B", 97),
    ("dfBreakChar", "B", 98), ("dfWidthBytes", "H", 99), ("dfDevice", "I", 101),
    ("dfFace", "I", 105), ("dfBitsPointer", "I", 109), ("dfBitsOffset", "I", 113),
)
FNT_HEADER_SIZE = 118


def pascal_string_at(data, offset):
    length = data[offset]
    return data[offset + 1:offset + 1 + length].decode("ascii")


def c_string_at(data, offset):
    end = data.index(b"\0", offset)
    return data[offset:end].decode("ascii")


class NeImage:
    """The parts of a 16-bit NE resource module the checks look at."""

    def __init__(self, data):
        self.data = data
        self.ne_offset = struct.unpack_from("<I", data, 0x3C)[0]
        ne = self.ne_offset
        (self.signature,) = struct.unpack_from("<2s", data, ne)
        self.flags = struct.unpack_from("<H", data, ne + 12)[0]
        self.nonresident_size = struct.unpack_from("<H", data, ne + 32)[0]
        self.resource_table = ne + struct.unpack_from("<H", data, ne + 36)[0]
        self.resident_names = ne + struct.unpack_from("<H", data, ne + 38)[0]
        self.nonresident_names = struct.unpack_from("<I", data, ne + 44)[0]
        self.target_os = data[ne + 54]
        self.expected_version = struct.unpack_from("<H", data, ne + 62)[0]
        self.align_shift = struct.unpack_from("<H", data, self.resource_table)[0]
        self.resources = self._read_resources()

    def _read_resources(self):
        """Returns [(type, id or name, offset, length, flags)] with offsets and lengths in bytes."""
        resources = []
        cursor = self.resource_table + 2
        while True:
            type_id, count = struct.unpack_from("<HH", self.data, cursor)
            cursor += 8
            if type_id == 0:
                return resources
            for _ in range(count):
                offset, length, flags, resource_id = struct.unpack_from("<HHHH", self.data, cursor)
                cursor += 12
                if not resource_id & 0x8000:
                    resource_id = pascal_string_at(self.data, self.resource_table + resource_id)
                resources.append((type_id, resource_id, offset << self.align_shift,
                                  length << self.align_shift, flags))

    def resource(self, type_id, resource_id):
        for entry in self.resources:
            if entry[0] == type_id and entry[1] == resource_id:
                return self.data[entry[2]:entry[2] + entry[3]]
        raise AssertionError(f"no resource {type_id:#x}/{resource_id!r}")


def fnt_header(font):
    return {name: struct.unpack_from("<" + code, font, offset)[0]
            for name, code, offset in FNT_HEADER_FIELDS}


def glyph_rows(font, code):
    header = fnt_header(font)
    _, offset = struct.unpack_from("<HH", font, FNT_HEADER_SIZE + 4 * (code - header["dfFirstChar"]))
    return font[offset:offset + header["dfPixHeight"]]


class FontFileTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(FON_PATH, "rb") as fon:
            cls.data = fon.read()
        cls.image = NeImage(cls.data)

    def font(self, ordinal):
        return self.image.resource(FONT_RESOURCE_TYPE, 0x8000 | ordinal)

    def test_dos_stub_and_ne_header(self):
        self.assertEqual(self.data[:2], b"MZ")
        self.assertGreaterEqual(self.image.ne_offset, 0x40)
        self.assertLessEqual(self.image.ne_offset + 64, len(self.data))
        self.assertEqual(self.image.signature, b"NE")
        self.assertEqual(self.image.target_os, 2, "target system Windows")
        self.assertEqual(self.image.expected_version, 0x0300)
        self.assertTrue(self.image.flags & 0x8000, "module must be a library")

    def test_module_name_and_description(self):
        self.assertEqual(pascal_string_at(self.data, self.image.resident_names), "DINAR")
        description = "FONTRES 100,96,96 : Dina 6,8,9,10"
        self.assertEqual(pascal_string_at(self.data, self.image.nonresident_names), description)
        self.assertGreaterEqual(self.image.nonresident_size, 1 + len(description) + 2)

    def test_resource_table_holds_fontdir_and_four_fonts(self):
        self.assertEqual(self.image.align_shift, 4)
        listed = sorted((entry[0], entry[1]) for entry in self.image.resources)
        expected = [(FONTDIR_RESOURCE_TYPE, "FONTDIR")]
        expected += [(FONT_RESOURCE_TYPE, 0x8000 | ordinal) for ordinal in range(1, 5)]
        self.assertEqual(sorted(listed, key=repr), sorted(expected, key=repr))
        spans = sorted((entry[2], entry[2] + entry[3]) for entry in self.image.resources)
        for (_, end), (next_start, _) in zip(spans, spans[1:]):
            self.assertLessEqual(end, next_start, "resources overlap")
        self.assertGreater(spans[0][0], self.image.nonresident_names, "resource data over the headers")

    def test_file_ends_where_font_4_ends(self):
        last_font = [entry for entry in self.image.resources
                     if entry[:2] == (FONT_RESOURCE_TYPE, 0x8004)][0]
        self.assertEqual(last_font[2] + last_font[3], len(self.data))
        self.assertEqual(max(entry[2] + entry[3] for entry in self.image.resources), len(self.data))

    def test_font_headers(self):
        for ordinal, points, width, height, ascent, leading, charset, _ in EXPECTED_FONTS:
            with self.subTest(ordinal=ordinal):
                font = self.font(ordinal)
                header = fnt_header(font)
                expected = {
                    "dfVersion": 0x0200, "dfSize": len(font), "dfType": 0, "dfPoints": points,
                    "dfVertRes": 96, "dfHorizRes": 96, "dfAscent": ascent,
                    "dfInternalLeading": leading, "dfExternalLeading": 0, "dfItalic": 0,
                    "dfUnderline": 0, "dfStrikeOut": 0, "dfWeight": 400, "dfCharSet": charset,
                    "dfPixWidth": width, "dfPixHeight": height, "dfPitchAndFamily": 0x30,
                    "dfAvgWidth": width, "dfMaxWidth": width, "dfFirstChar": 0, "dfLastChar": 255,
                    "dfDefaultChar": 31, "dfBreakChar": 0, "dfDevice": 0,
                    "dfBitsOffset": FNT_HEADER_SIZE + 257 * 4,
                }
                actual = {name: header[name] for name in expected}
                self.assertEqual(actual, expected)
                self.assertLess(header["dfFace"], header["dfSize"])
                self.assertEqual(c_string_at(font, header["dfFace"]), "Dina")

    def test_glyph_tables(self):
        for ordinal, _, width, height, _, _, _, _ in EXPECTED_FONTS:
            with self.subTest(ordinal=ordinal):
                font = self.font(ordinal)
                header = fnt_header(font)
                glyph_bytes = (width + 7) // 8 * height
                entry_count = header["dfLastChar"] - header["dfFirstChar"] + 2
                for index in range(entry_count):
                    glyph_width, offset = struct.unpack_from("<HH", font, FNT_HEADER_SIZE + 4 * index)
                    self.assertEqual(glyph_width, width, f"glyph {index}")
                    self.assertGreaterEqual(offset, header["dfBitsOffset"], f"glyph {index}")
                    self.assertLessEqual(offset + glyph_bytes, header["dfFace"], f"glyph {index}")

    def test_font_directory_repeats_the_headers(self):
        directory = self.image.resource(FONTDIR_RESOURCE_TYPE, "FONTDIR")
        self.assertEqual(struct.unpack_from("<H", directory, 0)[0], 4)
        entry_size = 2 + 113 + len("\0") + len("Dina\0")
        for ordinal in range(1, 5):
            with self.subTest(ordinal=ordinal):
                entry = directory[2 + (ordinal - 1) * entry_size:][:entry_size]
                self.assertEqual(struct.unpack_from("<H", entry, 0)[0], ordinal)
                self.assertEqual(entry[2:115], self.font(ordinal)[:113])
                self.assertEqual(entry[115:], b"\0Dina\0", "empty device name, then the face")

    def test_glyphs_sit_on_the_baseline_inside_the_cell(self):
        for ordinal, _, width, height, ascent, _, _, codepage in EXPECTED_FONTS:
            with self.subTest(ordinal=ordinal):
                font = self.font(ordinal)
                unused_columns = (1 << (8 - width)) - 1
                for code in range(256):
                    self.assertFalse(any(row & unused_columns for row in glyph_rows(font, code)),
                                     f"ink right of the cell in glyph {code}")
                capital = glyph_rows(font, ord("H"))
                self.assertTrue(capital[ascent - 1], "H must reach the baseline")
                self.assertFalse(any(capital[ascent:]), "H must not go below the baseline")
                self.assertTrue(any(glyph_rows(font, ord("g"))[ascent:]), "g needs its descender")
                self.assertFalse(any(glyph_rows(font, ord(" "))), "space must be blank")

    def test_code_page_mapping_and_missing_glyph_box(self):
        # Code 31 is the default character: the box drawn for anything the font lacks.
        # Each row: ordinal, a code with a glyph of its own, a code the code page leaves undefined.
        cases = ((1, 0xC6, 0x98),  # cp1251 Zhe
                 (2, 0x80, 0x81),  # cp1252 euro sign
                 (3, 0x80, 0x8D),
                 (4, 0x80, 0x90))
        for ordinal, mapped, undefined in cases:
            with self.subTest(ordinal=ordinal):
                font = self.font(ordinal)
                box = glyph_rows(font, 31)
                self.assertTrue(any(box))
                self.assertTrue(any(glyph_rows(font, mapped)))
                self.assertNotEqual(glyph_rows(font, mapped), box)
                self.assertEqual(glyph_rows(font, undefined), box)
                self.assertFalse(any(glyph_rows(font, 0x0A)), "control codes are blank")

    def test_include_file_holds_the_same_bytes(self):
        inc_path = os.path.join(os.path.dirname(FON_PATH), "dina_font.inc")
        if not os.path.isfile(inc_path):
            self.skipTest(f"{inc_path} not found next to the font file")
        with open(inc_path, encoding="ascii") as inc:
            text = inc.read()
        self.assertRegex(text, r"\A(0x[0-9a-f]{2}(, |,\n))*0x[0-9a-f]{2}\n\Z",
                         "only hex byte literals separated by commas")
        values = bytes(int(literal, 16) for literal in re.findall(r"0x([0-9a-f]{2})", text))
        self.assertEqual(values, self.data)

    def test_regenerating_gives_the_same_bytes(self):
        sys.path.insert(0, TOOLS_DIR)
        try:
            import make_font
        finally:
            sys.path.remove(TOOLS_DIR)
        if shutil.which("pcf2bdf") is None:
            self.skipTest("pcf2bdf is not installed (Debian package pcf2bdf)")
        for size in make_font.FONT_SIZES:
            source = os.path.join(make_font.SOURCE_FONT_DIR, size.source_font + ".pcf.gz")
            if not os.path.isfile(source):
                self.skipTest(f"{source} is missing (Debian package xfonts-base)")
        with tempfile.TemporaryDirectory() as out_dir:
            subprocess.run([sys.executable, os.path.join(TOOLS_DIR, "make_font.py"), out_dir],
                           check=True, capture_output=True)
            inc_path = os.path.join(os.path.dirname(FON_PATH), "dina_font.inc")
            compared = [("dina.fon", FON_PATH)]
            if os.path.isfile(inc_path):
                compared.append(("dina_font.inc", inc_path))
            for fresh_name, checked_path in compared:
                with self.subTest(file=checked_path):
                    with open(os.path.join(out_dir, fresh_name), "rb") as fresh, \
                            open(checked_path, "rb") as checked:
                        self.assertTrue(fresh.read() == checked.read(),
                                        f"{checked_path} differs from a fresh build")


class CountingResult(unittest.TextTestResult):
    """Counts whole test methods, so a method with several failing sub-tests fails once."""

    def __init__(self, *args, **kwargs):
        super().__init__(*args, **kwargs)
        self.failed_ids = set()
        self.skipped_ids = set()

    def addFailure(self, test, err):
        super().addFailure(test, err)
        self.failed_ids.add(test.id())

    def addError(self, test, err):
        super().addError(test, err)
        self.failed_ids.add(getattr(test, "id", lambda: str(test))())

    def addSubTest(self, test, subtest, err):
        super().addSubTest(test, subtest, err)
        if err is not None:
            self.failed_ids.add(test.id())

    def addSkip(self, test, reason):
        super().addSkip(test, reason)
        self.skipped_ids.add(test.id())


def main(argv):
    global FON_PATH
    if len(argv) > 2:
        print("usage: test_font_file.py [PATH_TO_FON]", file=sys.stderr)
        return 2
    if len(argv) == 2:
        FON_PATH = os.path.abspath(argv[1])
    suite = unittest.defaultTestLoader.loadTestsFromTestCase(FontFileTest)
    runner = unittest.TextTestRunner(resultclass=CountingResult, verbosity=2, stream=sys.stdout)
    result = runner.run(suite)
    failed = len(result.failed_ids)
    skipped = len(result.skipped_ids - result.failed_ids)
    passed = max(result.testsRun - failed - skipped, 0)
    print(f"{passed} passed, {failed} failed, {skipped} skipped")
    if failed:
        return 1
    return 77 if passed == 0 and skipped else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
