#!/usr/bin/env python3
"""Reads X window dumps (xwd) of the game's window and checks what they show.

Used by e2e_game.sh. Each dump is decoded once, by ImageMagick, into raw RGB
and a PNG beside it (DUMP with .png for .xwd) for a person to look at.

  e2e_pixels.py check STAGE DUMP       exit 0 when the picture shows STAGE
                                       (menu, freeflight, challenge); else
                                       print what is missing and exit 1
  e2e_pixels.py bird-top DUMP...       print the top row of the bird in each,
                                       one a line (-1: no bird found)
  e2e_pixels.py describe DUMP          print every measure as JSON
"""
import json
import os
import subprocess
import sys

WIDTH, HEIGHT = 640, 480
CENTRE_X = 320
# Top edges of the texts; the font is 24 pixels high, so a band of 22 rows
# below each top holds the glyphs' bodies without reaching the next line.
CLOCK_Y, MENU_YS, BOTTOM_Y = 0, (230, 360, 390), 440
BAND = 22
LOGO_Y, LOGO_SIZE = 50, 256


class Picture:
    def __init__(self, width, height, rgb):
        self.width, self.height, self.rgb = width, height, rgb

    def px(self, x, y):
        i = (y * self.width + x) * 3
        return self.rgb[i], self.rgb[i + 1], self.rgb[i + 2]


def read_xwd(path):
    """The dump as RGB, decoded by one ImageMagick call that also writes the PNG."""
    png = os.path.splitext(path)[0] + ".png"
    run = subprocess.run(["convert", f"xwd:{path}", "-write", f"png:{png}", "-depth", "8",
                          "ppm:-"], capture_output=True)
    if run.returncode != 0:
        raise ValueError(f"{path}: {run.stderr.decode(errors='replace').strip()}")
    # A binary PPM: "P6", width, height and maximum as text, comments
    # allowed between them, one whitespace byte, then the samples.
    data, fields, i = run.stdout, [], 0
    while len(fields) < 4:
        while i < len(data) and data[i:i + 1].isspace():
            i += 1
        if data[i:i + 1] == b"#":
            i = data.index(b"\n", i)
            continue
        j = i
        while j < len(data) and not data[j:j + 1].isspace():
            j += 1
        fields.append(data[i:j])
        i = j
    if fields[0] != b"P6" or fields[3] != b"255":
        raise ValueError(f"{path}: ImageMagick gave no 8-bit PPM")
    width, height = int(fields[1]), int(fields[2])
    rgb = data[i + 1:]
    if len(rgb) != width * height * 3:
        raise ValueError(f"{path}: {len(rgb)} bytes of samples for {width}x{height}")
    return Picture(width, height, rgb)


def is_light(p):
    # White text drawn at full alpha under one veil of 13 % stays above 200
    # in every channel whatever the sky colour.
    return min(p) >= 200


def text_band(pic, top, rows=BAND):
    """Light pixels in the rows top..top+rows: count, extent and centre."""
    xs = []
    dark_near = 0
    for y in range(max(0, top), min(pic.height, top + rows)):
        for x in range(pic.width):
            if is_light(pic.px(x, y)):
                xs.append(x)
    if not xs:
        return {"count": 0}
    lo, hi = min(xs), max(xs)
    # The outline: light glyphs sit on a thin darker rim, so around the text
    # there are pixels darker than the rows' median background.
    band = [pic.px(x, y) for y in range(max(0, top), min(pic.height, top + rows))
            for x in range(pic.width) if x < lo - 20 or x > hi + 20]
    background = sorted(sum(p) for p in band)[len(band) // 2] if band else 0
    for y in range(max(0, top), min(pic.height, top + rows)):
        for x in range(lo, hi + 1):
            if sum(pic.px(x, y)) < background - 12:
                dark_near += 1
    return {"count": len(xs), "min_x": lo, "max_x": hi, "centre": (lo + hi) / 2,
            "width": hi - lo + 1, "outline": dark_near}


def logo_contrast(pic):
    """How much the logo's square differs from the columns beside it.

    The square's rows above the first menu line are compared with the same
    rows left and right of it: the sky there is the same, so only the logo
    makes a difference. Returns the mean absolute channel difference."""
    x0 = CENTRE_X - LOGO_SIZE // 2
    rows = range(LOGO_Y + 10, 220)
    total = n = 0
    for y in rows:
        side = [pic.px(x, y) for x in list(range(20, x0 - 40, 4)) +
                list(range(x0 + LOGO_SIZE + 40, pic.width - 20, 4))]
        ref = [sorted(c[i] for c in side)[len(side) // 2] for i in range(3)]
        for x in range(x0 + 8, x0 + LOGO_SIZE - 8, 2):
            p = pic.px(x, y)
            total += sum(abs(p[i] - ref[i]) for i in range(3))
            n += 3
    return total / n


def _grey_mask(pic, floor):
    """Rows of flags: 1 where the pixel is light and nearly grey."""
    rgb = pic.rgb
    rows = []
    for y in range(pic.height):
        base = y * pic.width * 3
        row = bytearray(pic.width)
        for x in range(pic.width):
            i = base + 3 * x
            r, g, b = rgb[i], rgb[i + 1], rgb[i + 2]
            lo = min(r, g, b)
            row[x] = lo >= floor and max(r, g, b) - lo <= 60
        rows.append(row)
    return rows


def bird_top(pic):
    """The top row of the bird's body, or None.

    The bird is found by its shape: a light vertical spine at least 40 rows
    long (head, body and tail), with light wing
    pixels spreading 20 to 65 pixels to each side near its top. The texts
    are wider than tall; their strokes are not 40 rows long."""
    spine = _grey_mask(pic, 110)
    wing = _grey_mask(pic, 90)
    best = None
    for x in range(70, pic.width - 70):
        y = 0
        while y < pic.height:
            if not spine[y][x]:
                y += 1
                continue
            y0 = y
            while y < pic.height and spine[y][x]:
                y += 1
            if y - y0 < 40:
                continue
            sides = [0, 0]
            for yy in range(max(0, y0 - 10), min(pic.height, y0 + 45)):
                sides[0] += sum(wing[yy][x - 65:x - 20])
                sides[1] += sum(wing[yy][x + 21:x + 66])
            if min(sides) >= 40 and (best is None or y - y0 > best[1]):
                best = (y0, y - y0)
    return None if best is None else best[0]


def describe(pic):
    bands = {"clock": text_band(pic, CLOCK_Y), "bottom": text_band(pic, BOTTOM_Y)}
    for y in MENU_YS:
        bands[f"menu{y}"] = text_band(pic, y)
    return {"size": [pic.width, pic.height], "bands": bands,
            "logo_contrast": round(logo_contrast(pic), 2), "bird_top": bird_top(pic)}


def centred_text(b, name, problems, min_width=40):
    if b.get("count", 0) < 30:
        problems.append(f"{name}: no light text")
        return
    if b["width"] < min_width:
        problems.append(f"{name}: text only {b['width']} px wide")
    if abs(b["centre"] - CENTRE_X) > 8:
        problems.append(f"{name}: centred on x {b['centre']}, not {CENTRE_X}")
    if b["outline"] < 10:
        problems.append(f"{name}: no dark outline around the text")


def check(stage, pic):
    if (pic.width, pic.height) != (WIDTH, HEIGHT):
        return [f"window is {pic.width}x{pic.height}, not {WIDTH}x{HEIGHT}"]
    d = describe(pic)
    b = d["bands"]
    problems = []
    centred_text(b["clock"], "clock", problems, min_width=30)
    if stage == "menu":
        for y in MENU_YS:
            centred_text(b[f"menu{y}"], f"menu line {y}", problems, min_width=150)
        if not problems:
            w = {y: b[f"menu{y}"]["width"] for y in MENU_YS}
            # "Z and M to flap; hold them down to dive." is the longest line.
            if not (w[360] > w[230] and w[360] > w[390]):
                problems.append(f"menu line widths {w} do not match the texts")
        if b["bottom"].get("count", 0) > 30:
            problems.append("a bottom line shows in the menu")
        if d["logo_contrast"] < 6:
            problems.append(f"no logo near y {LOGO_Y} (contrast {d['logo_contrast']})")
    elif stage in ("freeflight", "challenge"):
        centred_text(b["bottom"], "bottom line", problems, min_width=60)
        for y in MENU_YS:
            if b[f"menu{y}"].get("count", 0) > 30:
                problems.append(f"menu line {y} still shows")
        if not problems:
            width = b["bottom"]["width"]
            # The free-flight hint is far wider than "Score: " and a number.
            if stage == "freeflight" and width < 300:
                problems.append(f"bottom line {width} px wide: not the free-flight hint")
            if stage == "challenge" and width > 250:
                problems.append(f"bottom line {width} px wide: not a score line")
    else:
        problems.append(f"unknown stage {stage}")
    return problems


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    cmd = argv[1]
    try:
        if cmd == "check" and len(argv) == 4:
            problems = check(argv[2], read_xwd(argv[3]))
            if problems:
                print("; ".join(problems))
                return 1
        elif cmd == "bird-top":
            for path in argv[2:]:
                top = bird_top(read_xwd(path))
                print(-1 if top is None else top)
        elif cmd == "describe":
            print(json.dumps(describe(read_xwd(argv[2]))))
        else:
            print(f"unknown command {cmd}", file=sys.stderr)
            return 2
    except (OSError, ValueError) as e:
        print(e)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
