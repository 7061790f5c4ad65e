#!/usr/bin/env python3
"""Draws the program's pictures and writes them beside this script:

    scrivtree.ico       the program's icon, a folder and a listing of it: 16, 32 and 48 pixels
    folder_closed.ico   a closed folder, 16 to 32 pixels: sub-folders in the folder list
    folder_open.ico     an open folder, 16 to 32 pixels: the path down to the current folder
    link_hand.cur       the pointing hand over links, 32 x 32 black and white, hot spot 6, 2

Standard library only, and the same bytes on every run. After changing a picture, run
`python3 res/make_pictures.py` and commit the script together with the files it writes.

    make_pictures.py --banner PATH VERSION

draws the banner under the main dialog's controls (350 x 40, 24-bit BMP), which shows the
version, into PATH: the build draws it from the file VERSION.
"""

import os
import struct
import sys

# ---------------------------------------------------------------------------------------------
# Colours and the drawing surface


def rgb(hex_text):
    return tuple(int(hex_text[i : i + 2], 16) for i in (0, 2, 4))


def mix(a, b, t):
    """The colour a fraction t of the way from a to b."""
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


FOLDER_EDGE = rgb("8a6414")
FOLDER_LIGHT = rgb("fff1b0")
FOLDER_FACE_TOP = rgb("ffe38a")
FOLDER_FACE_BOTTOM = rgb("f2c24a")
FOLDER_BACK_TOP = rgb("f0c860")
FOLDER_BACK_BOTTOM = rgb("cd9528")
PAPER = rgb("ffffff")
PAPER_EDGE = rgb("7d8694")
PAPER_FOLD = rgb("e4e8ee")
TREE_LINE = rgb("7f8ea6")
TEXT_LINE = rgb("2f4d7e")
BANNER_LEFT = rgb("0a246a")
BANNER_RIGHT = rgb("7da2ce")
BANNER_TITLE = rgb("ffffff")
BANNER_TAGLINE = rgb("d6e2f4")

TRANSPARENT = None


class Canvas:
    """A grid of pixels, each a colour or TRANSPARENT. Everything is drawn with sharp edges,
    as in the classic small icons, so a pixel is either covered or not."""

    def __init__(self, width, height, background=TRANSPARENT):
        self.width = width
        self.height = height
        self.pixels = [background] * (width * height)

    def get(self, x, y):
        return self.pixels[y * self.width + x]

    def rect(self, left, top, right, bottom, color):
        """Fills left <= x < right, top <= y < bottom. color may be a function of (x, y)."""
        for y in range(max(top, 0), min(bottom, self.height)):
            for x in range(max(left, 0), min(right, self.width)):
                self.pixels[y * self.width + x] = color(x, y) if callable(color) else color

    def frame(self, left, top, right, bottom, edge, inside):
        """A rectangle with a one-pixel edge."""
        self.rect(left, top, right, bottom, edge)
        self.rect(left + 1, top + 1, right - 1, bottom - 1, inside)

    def rows(self, top, bottom, span, color):
        """Fills the rows top <= y < bottom, each from span(y)[0] up to span(y)[1]: the way to
        draw slanted edges here."""
        for y in range(top, bottom):
            left, right = span(y)
            self.rect(left, y, right, y + 1, color)

    def draw(self, other, left, top):
        """Copies the covered pixels of another canvas, its top left corner at left, top."""
        for y in range(other.height):
            for x in range(other.width):
                if other.get(x, y) is not TRANSPARENT:
                    self.rect(left + x, top + y, left + x + 1, top + y + 1, other.get(x, y))


def vertical_gradient(top_color, bottom_color, top, bottom):
    """A colour function for rows top <= y < bottom."""
    return lambda x, y: mix(top_color, bottom_color, (y - top) / max(bottom - 1 - top, 1))


# ---------------------------------------------------------------------------------------------
# File formats: bottom-up DIB rows in every one of them


def bitmap_info_header(width, height, bits, image_size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_size, 0, 0, 0, 0)


def one_bit_rows(width, height, is_set):
    """A 1-bit bitmap, bottom row first, rows padded to 32 bits."""
    stride = (width + 31) // 32 * 4
    data = bytearray()
    for y in reversed(range(height)):
        row = bytearray(stride)
        for x in range(width):
            if is_set(x, y):
                row[x // 8] |= 0x80 >> (x % 8)
        data += row
    return bytes(data)


def icon_image(canvas):
    """One 32-bit image with alpha, then the AND mask with which older systems draw it."""
    w, h = canvas.width, canvas.height
    colors = bytearray()
    for y in reversed(range(h)):
        for x in range(w):
            pixel = canvas.get(x, y)
            colors += bytes((0, 0, 0, 0)) if pixel is TRANSPARENT else bytes(pixel[::-1]) + b"\xff"
    mask = one_bit_rows(w, h, lambda x, y: canvas.get(x, y) is TRANSPARENT)
    # The header's height counts both bitmaps.
    return bitmap_info_header(w, h * 2, 32, len(colors) + len(mask)) + bytes(colors) + mask


def write_icon_file(path, kind, entries):
    """An ICO (kind 1) or CUR (kind 2) file. entries: (width, height, colour count, a, b,
    image), where a and b are the planes and bits per pixel of an icon, the hot spot of a
    cursor."""
    data = struct.pack("<HHH", 0, kind, len(entries))
    offset = 6 + 16 * len(entries)
    for width, height, colors, a, b, image in entries:
        data += struct.pack("<BBBBHHII", width, height, colors, 0, a, b, len(image), offset)
        offset += len(image)
    data += b"".join(entry[-1] for entry in entries)
    with open(path, "wb") as out:
        out.write(data)


def write_icon(path, canvases):
    write_icon_file(path, 1, [(c.width, c.height, 0, 1, 32, icon_image(c)) for c in canvases])


def write_monochrome_cursor(path, rows, hot_x, hot_y):
    """rows: '#' black, 'o' white, '.' transparent. The XOR bitmap picks white out of a
    black-and-white palette; the AND mask lets the screen through."""
    size = len(rows)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    xor = one_bit_rows(size, size, lambda x, y: rows[y][x] == "o")
    mask = one_bit_rows(size, size, lambda x, y: rows[y][x] == ".")
    image = bitmap_info_header(size, size * 2, 1, len(xor) + len(mask)) + palette + xor + mask
    write_icon_file(path, 2, [(size, size, 2, hot_x, hot_y, image)])


def write_bitmap(path, canvas):
    """A 24-bit BMP, rows padded to 4 bytes."""
    w, h = canvas.width, canvas.height
    pad = bytes(-w * 3 % 4)
    pixels = b"".join(
        b"".join(bytes(canvas.get(x, y)[::-1]) for x in range(w)) + pad for y in reversed(range(h))
    )
    offset = 14 + 40
    file_header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(path, "wb") as out:
        out.write(file_header + bitmap_info_header(w, h, 24, len(pixels)) + pixels)


# ---------------------------------------------------------------------------------------------
# Folders, with one-pixel edges at every size. The tab's slant drops one pixel per row, the
# open folder's front one pixel per two rows.


def folder_box(size):
    """A folder's place in a size x size square: left, top, right, bottom (right and bottom
    exclusive), tab width, tab height."""
    u = size / 16
    return round(u), round(2 * u), size - round(u), size - round(2 * u), round(6 * u), round(2 * u)


def folder_shape(canvas, left, top, right, bottom, tab_width, tab_height, face_top, face_bottom):
    """The outline of a folder with its tab, the tab filled in the back colour and the body
    with a gradient from face_top to face_bottom. Returns the row of the body's top edge."""
    body_top = top + tab_height

    def outline(y):
        # The tab's top left corner pixel is left out, which rounds it.
        return left + (y == top), (left + tab_width + y - top if y < body_top else right)

    def tab(y):
        return left + 1, left + tab_width + y - top - 1

    canvas.rows(top, bottom, outline, FOLDER_EDGE)
    canvas.rows(top + 1, body_top + 1, tab, FOLDER_BACK_TOP)
    body = vertical_gradient(face_top, face_bottom, body_top + 1, bottom - 1)
    canvas.rect(left + 1, body_top + 1, right - 1, bottom - 1, body)
    return body_top


def closed_folder(canvas, size):
    left, top, right, bottom, tab_width, tab_height = folder_box(size)
    body_top = folder_shape(
        canvas, left, top, right, bottom, tab_width, tab_height, FOLDER_FACE_TOP, FOLDER_FACE_BOTTOM
    )
    # A light line under the top edge rounds the body.
    canvas.rect(left + 1, body_top + 1, right - 1, body_top + 2, FOLDER_LIGHT)


def open_folder(canvas, size):
    """The back with its tab, a sheet standing in it, and the front fallen forward."""
    u = size / 16
    left, top, right, bottom, tab_width, tab_height = folder_box(size)
    # The front is a parallelogram: its bottom edge lies on the back's, and leaning right it
    # reaches the square's right edge at the top.
    front_top = top + round(5 * u)
    back_right = size - (bottom - front_top - 1) // 2

    def front(y):
        shift = (bottom - 1 - y) // 2
        return left + shift, back_right + shift

    body_top = folder_shape(
        canvas, left, top, back_right, bottom, tab_width, tab_height,
        FOLDER_BACK_TOP, FOLDER_BACK_BOTTOM,
    )
    sheet_top = body_top + round(u)
    canvas.frame(left + round(2 * u), sheet_top, back_right - round(u), bottom, PAPER_EDGE, PAPER)
    canvas.rows(front_top, bottom, front, FOLDER_EDGE)
    face = vertical_gradient(FOLDER_FACE_TOP, FOLDER_FACE_BOTTOM, front_top + 1, bottom - 1)
    canvas.rows(front_top + 1, bottom - 1, lambda y: (front(y)[0] + 1, front(y)[1] - 1), face)
    light_left, light_right = front(front_top + 1)
    canvas.rect(light_left + 1, front_top + 1, light_right - 1, front_top + 2, FOLDER_LIGHT)


def folder_closed_icon(size):
    canvas = Canvas(size, size)
    closed_folder(canvas, size)
    return canvas


def folder_open_icon(size):
    canvas = Canvas(size, size)
    open_folder(canvas, size)
    return canvas


# ---------------------------------------------------------------------------------------------
# The program's icon: a folder, and in front of it a sheet with the folder's tree listed on it


def listing_sheet(canvas, left, top, right, bottom, fold):
    """A sheet of paper with its top right corner folded down by fold pixels."""

    def outline(y):
        return left, min(right - fold + y - top, right)

    canvas.rows(top, bottom, outline, PAPER_EDGE)
    canvas.rows(top + 1, bottom - 1, lambda y: (left + 1, outline(y)[1] - 1), PAPER)
    canvas.rows(top, top + fold, lambda y: (right - fold, right - fold + y - top), PAPER_FOLD)
    canvas.rect(right - fold, top, right - fold + 1, top + fold, PAPER_EDGE)
    canvas.rect(right - fold, top + fold, right, top + fold + 1, PAPER_EDGE)


def listing_tree(canvas, left, top, right, count, pitch, mark):
    """A title line, then count branches pitch rows apart, each with a line of text and, when
    mark is not 0, a folder mark of mark x mark pixels before it."""
    canvas.rect(left, top, right - 2, top + 1, TEXT_LINE)
    y = top
    for n in range(count):
        y += pitch
        canvas.rect(left + 1, y, left + 3, y + 1, TREE_LINE)
        text_left = left + 3
        if mark:
            mark_top = y - mark // 2
            canvas.rect(text_left, mark_top, text_left + mark, mark_top + mark, FOLDER_BACK_BOTTOM)
            text_left += mark + 1
        canvas.rect(text_left, y, right - 2 * (n % 2), y + 1, TEXT_LINE)
    canvas.rect(left, top + 1, left + 1, y + 1, TREE_LINE)


def program_icon(size):
    canvas = Canvas(size, size)
    closed_folder(canvas, size)
    # Laid out by hand for each size, so that the lines fall on whole pixels.
    if size == 16:
        listing_sheet(canvas, 7, 5, 16, 16, 3)
        listing_tree(canvas, 9, 8, 14, 3, 2, 0)
    elif size == 32:
        listing_sheet(canvas, 13, 10, 31, 32, 5)
        listing_tree(canvas, 16, 14, 28, 4, 4, 0)
    else:
        listing_sheet(canvas, 19, 15, 47, 48, 7)
        listing_tree(canvas, 23, 20, 43, 4, 6, 3)
    return canvas


# ---------------------------------------------------------------------------------------------
# The hand over links. A cursor is a 32 x 32 black-and-white picture, so it is written out
# pixel by pixel: '#' black, 'o' white, '.' transparent. The fingertip is at column 6, row 2.

HAND_ROWS = [
    "................................",
    "................................",
    "......##........................",
    ".....#oo#.......................",
    ".....#oo#.......................",
    ".....#oo#.......................",
    ".....#oo#.......................",
    ".....#oo###.....................",
    ".....#oo#oo###..................",
    ".....#oo#oo#oo##................",
    ".....#oo#oo#oo#o#...............",
    "..##.#oo#oo#oo#oo#..............",
    ".#oo##oooooooo#oo#..............",
    ".#ooo#ooooooooooo#..............",
    "..#oo#ooooooooooo#..............",
    "..#oooooooooooooo#..............",
    "...#ooooooooooooo#..............",
    "...#oooooooooooo#...............",
    "....#ooooooooooo#...............",
    "....#oooooooooo#................",
    ".....#ooooooooo#................",
    ".....#ooooooooo#................",
    ".....###########................",
] + ["." * 32] * 9

HAND_HOT_SPOT = (6, 2)


# ---------------------------------------------------------------------------------------------
# The banner: a blue band with the program's icon, its name and what it does


class PixelFont:
    """A bitmap font with only the characters the banner needs. A glyph lists its rows of ink
    ('#'); glyphs sit on the baseline, height rows below the font's top, and those named in
    descenders hang that many rows below it."""

    def __init__(self, height, glyphs, descenders):
        self.height = height
        self.glyphs = glyphs
        self.descenders = descenders

    def draw(self, canvas, text, left, top, color):
        x = left
        for c in text:
            glyph = self.glyphs[c]
            first_row = top + self.height - len(glyph) + self.descenders.get(c, 0)
            for y, row in enumerate(glyph):
                for dx, ink in enumerate(row):
                    if ink == "#":
                        canvas.rect(x + dx, first_row + y, x + dx + 1, first_row + y + 1, color)
            x += max(len(row) for row in glyph) + 1


TITLE_FONT = PixelFont(
    10,
    {
        "S": [
            "..####.",
            ".##..##",
            "##.....",
            "##.....",
            ".####..",
            "...###.",
            ".....##",
            ".....##",
            "##..##.",
            ".####..",
        ],
        "c": [".####.", "##..##", "##....", "##....", "##....", "##..##", ".####."],
        "r": ["##.##", "#####", "###..", "##...", "##...", "##...", "##..."],
        "i": ["##", "##", "..", "##", "##", "##", "##", "##", "##", "##"],
        "v": ["##...##", "##...##", ".##.##.", ".##.##.", ".##.##.", "..###..", "..###.."],
        "t": [".##..", ".##..", "#####", ".##..", ".##..", ".##..", ".##..", ".##..", "..###"],
        "e": [".####.", "##..##", "##..##", "######", "##....", "##..##", ".####."],
        "1": ["..##", ".###", "####", "..##", "..##", "..##", "..##", "..##", "..##", "..##"],
        ".": ["##", "##"],
        "4": [
            "....##.",
            "...###.",
            "..####.",
            ".##.##.",
            "##..##.",
            "##..##.",
            "#######",
            "....##.",
            "....##.",
            "....##.",
        ],
        " ": ["..."],
        "0": [
            ".####.",
            "##..##",
            "##..##",
            "##..##",
            "##..##",
            "##..##",
            "##..##",
            "##..##",
            "##..##",
            ".####.",
        ],
        "2": [
            ".####.",
            "##..##",
            "....##",
            "....##",
            "...##.",
            "..##..",
            ".##...",
            "##....",
            "##....",
            "######",
        ],
        "3": [
            ".####.",
            "##..##",
            "....##",
            "....##",
            "..###.",
            "....##",
            "....##",
            "....##",
            "##..##",
            ".####.",
        ],
        "5": [
            "######",
            "##....",
            "##....",
            "#####.",
            "....##",
            "....##",
            "....##",
            "....##",
            "##..##",
            ".####.",
        ],
        "6": [
            ".####.",
            "##..##",
            "##....",
            "##....",
            "#####.",
            "##..##",
            "##..##",
            "##..##",
            "##..##",
            ".####.",
        ],
        "7": [
            "######",
            "....##",
            "....##",
            "...##.",
            "...##.",
            "..##..",
            "..##..",
            ".##...",
            ".##...",
            ".##...",
        ],
        "8": [
            ".####.",
            "##..##",
            "##..##",
            "##..##",
            ".####.",
            "##..##",
            "##..##",
            "##..##",
            "##..##",
            ".####.",
        ],
        "9": [
            ".####.",
            "##..##",
            "##..##",
            "##..##",
            "##..##",
            ".#####",
            "....##",
            "....##",
            "##..##",
            ".####.",
        ],
    },
    {},
)

TAGLINE_FONT = PixelFont(
    7,
    {
        "f": ["..##", ".#..", "####", ".#..", ".#..", ".#..", ".#.."],
        "o": [".##.", "#..#", "#..#", "#..#", ".##."],
        "l": ["#", "#", "#", "#", "#", "#", "#"],
        "d": ["...#", "...#", ".###", "#..#", "#..#", "#..#", ".###"],
        "e": [".##.", "#..#", "####", "#...", ".###"],
        "r": ["#.##", "##..", "#...", "#...", "#..."],
        "t": [".#.", ".#.", "###", ".#.", ".#.", ".#.", "..#"],
        "i": ["#", ".", "#", "#", "#", "#", "#"],
        "s": [".###", "#...", ".##.", "...#", "###."],
        "n": ["###.", "#..#", "#..#", "#..#", "#..#"],
        "g": [".###", "#..#", "#..#", "#..#", ".###", "...#", "###."],
        " ": ["..."],
    },
    {"g": 2},
)


def banner(version):
    width, height = 350, 40
    canvas = Canvas(width, height)
    canvas.rect(0, 0, width, height, lambda x, y: mix(BANNER_LEFT, BANNER_RIGHT, x / (width - 1)))
    canvas.draw(program_icon(32), 8, 4)
    TITLE_FONT.draw(canvas, "Scrivtree " + version, 50, 7, BANNER_TITLE)
    TAGLINE_FONT.draw(canvas, "folder tree listings", 51, 23, BANNER_TAGLINE)
    return canvas


# ---------------------------------------------------------------------------------------------


def main():
    if sys.argv[1:2] == ["--banner"] and len(sys.argv) == 4:
        write_bitmap(sys.argv[2], banner(sys.argv[3]))
        return
    if len(sys.argv) != 1:
        sys.exit("usage: make_pictures.py [--banner PATH VERSION]")
    here = os.path.dirname(os.path.abspath(__file__))
    write_icon(os.path.join(here, "scrivtree.ico"), [program_icon(s) for s in (16, 32, 48)])
    # The small icon's sizes at 100, 125, 150 and 200% scaling.
    folder_sizes = (16, 20, 24, 32)
    write_icon(os.path.join(here, "folder_closed.ico"), [folder_closed_icon(s) for s in folder_sizes])
    write_icon(os.path.join(here, "folder_open.ico"), [folder_open_icon(s) for s in folder_sizes])
    write_monochrome_cursor(os.path.join(here, "link_hand.cur"), HAND_ROWS, *HAND_HOT_SPOT)


if __name__ == "__main__":
    main()
