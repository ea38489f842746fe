#!/usr/bin/env python3
"""Draws the editor widget's built-in pictures as XPM files (src/view/ui/pictures):
the bookmark digits DD00..DD09 (8 x 11), the image marks DM00..DM05 (11 x 11)
and the ruler's digit font RD0..RD9 (5 x 9, the digit 1 three pixels wide)."""
import os
import sys

DIGITS_5x7 = {
    '0': ["01110", "10001", "10011", "10101", "11001", "10001", "01110"],
    '1': ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    '2': ["01110", "10001", "00001", "00010", "00100", "01000", "11111"],
    '3': ["11111", "00010", "00100", "00010", "00001", "10001", "01110"],
    '4': ["00010", "00110", "01010", "10010", "11111", "00010", "00010"],
    '5': ["11111", "10000", "11110", "00001", "00001", "10001", "01110"],
    '6': ["00110", "01000", "10000", "11110", "10001", "10001", "01110"],
    '7': ["11111", "00001", "00010", "00100", "01000", "01000", "01000"],
    '8': ["01110", "10001", "10001", "01110", "10001", "10001", "01110"],
    '9': ["01110", "10001", "10001", "01111", "00001", "00010", "01100"],
}


def xpm(name, rows, colours):
    h, w = len(rows), len(rows[0])
    out = ["/* XPM */", "static const char *%s[] = {" % name, '"%d %d %d 1",' % (w, h, len(colours))]
    for key, value in colours.items():
        out.append('"%s c %s",' % (key, value))
    out += ['"%s",' % r for r in rows]
    out[-1] = out[-1][:-1]
    out.append("};")
    return "\n".join(out) + "\n"


def bookmark_digit(d):
    # A navy tab with the digit in white; the rest transparent.
    g = DIGITS_5x7[d]
    rows = []
    for y in range(11):
        line = ""
        for x in range(8):
            border = x == 0 or x == 7 or y == 0 or y == 10
            gy, gx = y - 2, x - 1
            inside = 0 <= gy < 7 and 0 <= gx < 5 and g[gy][gx] == "1"
            line += "w" if inside else ("b" if not border else "k")
        rows.append(line)
    return xpm("dd0" + d, rows, {".": "None", "b": "#000080", "w": "#FFFFFF", "k": "#000040"})


MARK_COLOURS = ["#E00000", "#00A000", "#0000E0", "#E0A000", "#A000A0", "#008080"]


def image_mark(n):
    rows = []
    for y in range(11):
        line = ""
        for x in range(11):
            dx, dy = x - 5, y - 5
            if n == 0:    # disc
                on = dx * dx + dy * dy <= 25
            elif n == 1:  # square
                on = 1 <= x <= 9 and 1 <= y <= 9
            elif n == 2:  # triangle
                on = y >= 1 and abs(dx) <= (y - 1) // 2 + (1 if y > 1 else 0)
            elif n == 3:  # diamond
                on = abs(dx) + abs(dy) <= 5
            elif n == 4:  # cross
                on = abs(dx) <= 1 or abs(dy) <= 1
            else:         # flag
                on = x == 1 or (2 <= x <= 9 and 1 <= y <= 5)
            line += "m" if on else "."
        rows.append(line)
    return xpm("dm0%d" % n, rows, {".": "None", "m": MARK_COLOURS[n]})


def ruler_digit(d):
    g = DIGITS_5x7[d]
    g = [g[0], g[1], g[1], g[2], g[3], g[4], g[5], g[5], g[6]]
    if d == '1':
        g = [r[1:4] for r in g]
    rows = ["".join("f" if c == "1" else "." for c in r) for r in g]
    return xpm("rd%s" % d, rows, {".": "None", "f": "#000000"})


def main(out_dir):
    os.makedirs(out_dir, exist_ok=True)
    files = {}
    for d in "0123456789":
        files["DD0%s.xpm" % d] = bookmark_digit(d)
        files["RD%s.xpm" % d] = ruler_digit(d)
    for n in range(6):
        files["DM0%d.xpm" % n] = image_mark(n)
    for name, text in files.items():
        with open(os.path.join(out_dir, name), "w") as f:
            f.write(text)
    with open(os.path.join(out_dir, "pictures.qrc"), "w") as f:
        f.write("<RCC>\n  <qresource prefix=\"/pictures\">\n")
        for name in sorted(files):
            f.write("    <file>%s</file>\n" % name)
        f.write("  </qresource>\n</RCC>\n")


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "src/view/ui/pictures")
