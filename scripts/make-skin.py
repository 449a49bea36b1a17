#!/usr/bin/env python3
"""Draws the sample skin's images into data/skin/ as 24-bit BMP files.

    scripts/make-skin.py [--out DIR] [--preview FILE.png]
    scripts/make-skin.py --back-size WIDTHxHEIGHT --out DIR


The images are drawn for the device's RGB 565 panel: every colour written is exactly
representable in 565, so what the BMP shows is what the device shows. The background is a
dark navy (565 0x0010, the main screen's own colour) with a soft glow, dithered so that the
few 565 levels of a dark gradient do not band, and exactly 0x0010 along its right and bottom
edges, where a larger screen continues it with its colour fill. The state images are 20 x 20
(the slider knobs 12 x 20 and 20 x 12) on pure red, the key colour the skin does not draw;
their edges are smoothed against the background's colour.

--preview writes a PNG of the images as the device would show them: the background on a
320 x 240 and a 480 x 272 screen with the state images placed as on the main screen, and the
state images enlarged. --back-size draws only the background, at another size, as a skin made
for another panel would have it (data/skin-480x272/Back.bmp: the 480 x 272 background that the
toolkit clips to its top-left part on a 320 x 240 unit). Only the standard library is used.
"""

import argparse
import math
import os
import struct
import sys
import zlib

KNavy = (0, 0, 128)  # 565 0x0010
KKey = (255, 0, 0)  # 565 0xF800
KBackSize = (320, 240)
KGlow = (6, 24, 56)  # added to the navy at the glow's centre
KGlowCentre = 0.5  # of the width
KBayer = (
    (0, 8, 2, 10),
    (12, 4, 14, 6),
    (3, 11, 1, 9),
    (15, 7, 13, 5),
)


def Level(aValue, aBits, aThreshold):
    """The 565 level of an 8-bit channel value, with an ordered-dither threshold in [0, 1)."""
    step = 256 >> aBits
    level = int(math.floor(aValue / step + aThreshold))
    return max(0, min((1 << aBits) - 1, level))


def Expand(aLevel, aBits):
    """The 8-bit value that shows a 565 level: the device keeps its top bits, a PC stretches it."""
    return (aLevel << (8 - aBits)) | (aLevel >> (2 * aBits - 8))


def Quantize(aColour, aThreshold=0.0):
    red, green, blue = aColour
    return (
        Expand(Level(red, 5, aThreshold), 5),
        Expand(Level(green, 6, aThreshold), 6),
        Expand(Level(blue, 5, aThreshold), 5),
    )


def Rgb565(aColour):
    red, green, blue = aColour
    return (red & 0xF8) << 8 | (green & 0xFC) << 3 | blue >> 3


def Mix(aFrom, aTo, aWeight):
    return tuple(f + (t - f) * aWeight for f, t in zip(aFrom, aTo))


def BackColour(aX, aY, aSize=KBackSize):
    width, height = aSize
    # Zero at the left, right and bottom edges; strongest near the top centre.
    across = math.sin(math.pi * aX / (width - 1)) ** 1.6
    down = max(0.0, 1.0 - aY / (height - 1)) ** 1.8
    glow = across * down
    return tuple(n + g * glow for n, g in zip(KNavy, KGlow))


def DrawBack(aSize=KBackSize):
    width, height = aSize
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            threshold = (KBayer[y % 4][x % 4] + 0.5) / 16.0
            row.append(Quantize(BackColour(x, y, aSize), threshold))
        rows.append(row)
    return rows


# The colour state images are smoothed against: the background where the main screen puts its
# radio buttons, a little above the navy.
KBackdrop = BackColour(KBackSize[0] * 0.6, 60)

# Enabled and disabled palettes.
KEnabled = {
    "rim": (160, 182, 230),
    "rimShade": (96, 116, 180),
    "fillTop": (22, 34, 96),
    "fillBottom": (10, 18, 70),
    "mark": (255, 214, 64),
    "markShade": (230, 150, 20),
}
KDisabled = {
    "rim": (92, 98, 124),
    "rimShade": (70, 74, 96),
    "fillTop": (22, 26, 64),
    "fillBottom": (16, 20, 54),
    "mark": (122, 124, 136),
    "markShade": (100, 102, 114),
}

KSamples = 4  # per pixel and axis


def Render(aWidth, aHeight, aShade):
    """An image from a shading function of a point (in pixels, the pixel centre at +0.5): its
    colour, or None outside the shape. Edge pixels mix the shape with the backdrop by coverage;
    pixels the shape hardly touches are the key colour."""
    rows = []
    for y in range(aHeight):
        row = []
        for x in range(aWidth):
            total = [0.0, 0.0, 0.0]
            hits = 0
            for sy in range(KSamples):
                for sx in range(KSamples):
                    colour = aShade(x + (sx + 0.5) / KSamples, y + (sy + 0.5) / KSamples)
                    if colour is not None:
                        hits += 1
                        for i in range(3):
                            total[i] += colour[i]
            coverage = hits / (KSamples * KSamples)
            if coverage < 0.3:
                row.append(KKey)
                continue
            average = tuple(t / hits for t in total)
            pixel = Quantize(Mix(KBackdrop, average, coverage), 0.5)
            if Rgb565(pixel) == Rgb565(KKey):
                pixel = (pixel[0], pixel[1], pixel[2] + 8)  # never the key by accident
            row.append(pixel)
        rows.append(row)
    return rows


def RoundedBoxDistance(aX, aY, aLeft, aTop, aRight, aBottom, aRadius):
    """Signed distance from a point to a rounded rectangle: negative inside."""
    cx = (aLeft + aRight) / 2.0
    cy = (aTop + aBottom) / 2.0
    hx = (aRight - aLeft) / 2.0 - aRadius
    hy = (aBottom - aTop) / 2.0 - aRadius
    qx = abs(aX - cx) - hx
    qy = abs(aY - cy) - hy
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - aRadius


def SegmentDistance(aX, aY, aX0, aY0, aX1, aY1):
    dx = aX1 - aX0
    dy = aY1 - aY0
    t = max(0.0, min(1.0, ((aX - aX0) * dx + (aY - aY0) * dy) / (dx * dx + dy * dy)))
    return math.hypot(aX - aX0 - t * dx, aY - aY0 - t * dy)


def Frame(aPalette, aDistance, aY, aHeight):
    """Rim and inner fill of a control: a light rim 1.6 pixels wide, shaded towards the bottom,
    around a dark fill with a faint vertical gradient."""
    if aDistance > 0:
        return None
    if aDistance > -1.6:
        return Mix(aPalette["rim"], aPalette["rimShade"], aY / aHeight)
    return Mix(aPalette["fillTop"], aPalette["fillBottom"], aY / aHeight)


def CheckBox(aPalette, aChecked):
    def Shade(aX, aY):
        distance = RoundedBoxDistance(aX, aY, 1, 1, 19, 19, 4)
        colour = Frame(aPalette, distance, aY, 20)
        if colour is None or not aChecked:
            return colour
        # A check mark of two strokes 2.4 pixels wide.
        stroke = min(SegmentDistance(aX, aY, 5.0, 10.2, 8.6, 14.0),
                     SegmentDistance(aX, aY, 8.6, 14.0, 15.0, 6.0))
        if stroke <= 1.2:
            return Mix(aPalette["mark"], aPalette["markShade"], aY / 20)
        return colour

    return Render(20, 20, Shade)


def RadioButton(aPalette, aChecked):
    def Shade(aX, aY):
        distance = math.hypot(aX - 10, aY - 10) - 9
        colour = Frame(aPalette, distance, aY, 20)
        if colour is None or not aChecked:
            return colour
        dot = math.hypot(aX - 10, aY - 10)
        if dot <= 4.6:
            # Lit from the top left.
            light = max(0.0, min(1.0, (math.hypot(aX - 8.6, aY - 8.4)) / 5.5))
            return Mix(aPalette["mark"], aPalette["markShade"], light)
        return colour

    return Render(20, 20, Shade)


def SliderKnob(aPalette, aWidth, aHeight):
    """A knob with three grip lines across its long side."""
    horizontal = aWidth < aHeight  # the knob of a horizontal slider stands upright

    def Shade(aX, aY):
        distance = RoundedBoxDistance(aX, aY, 0.5, 0.5, aWidth - 0.5, aHeight - 0.5, 3)
        colour = Frame(aPalette, distance, aY, aHeight)
        if colour is None or distance > -2.5:
            return colour
        along = aY if horizontal else aX
        middle = (aHeight if horizontal else aWidth) / 2.0
        for offset in (-3, 0, 3):
            if abs(along - (middle + offset)) <= 0.6:
                return aPalette["rimShade"]
        return colour

    return Render(aWidth, aHeight, Shade)


def StateImages():
    images = {}
    for suffix, palette in (("", KEnabled), ("Dis", KDisabled)):
        images["CheckOn" + suffix] = CheckBox(palette, True)
        images["CheckOff" + suffix] = CheckBox(palette, False)
        images["RadioOn" + suffix] = RadioButton(palette, True)
        images["RadioOff" + suffix] = RadioButton(palette, False)
        images["SliderHor" + suffix] = SliderKnob(palette, 12, 20)
        images["SliderVer" + suffix] = SliderKnob(palette, 20, 12)
    return images


def BmpBytes(aRows):
    """A 24-bit bottom-up BMP with the 40-byte info header."""
    height = len(aRows)
    width = len(aRows[0])
    rowSize = (width * 3 + 3) // 4 * 4
    data = bytearray()
    for row in reversed(aRows):
        line = bytearray()
        for red, green, blue in row:
            line += bytes((blue, green, red))
        line += bytes(rowSize - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + bytes(data)


def PngBytes(aRows):
    height = len(aRows)
    width = len(aRows[0])
    raw = bytearray()
    for row in aRows:
        raw.append(0)
        for pixel in row:
            raw += bytes(pixel)

    def Chunk(aType, aData):
        body = aType + aData
        return struct.pack(">I", len(aData)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + Chunk(b"IHDR", header) +
            Chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + Chunk(b"IEND", b""))


def Canvas(aWidth, aHeight, aColour):
    return [[aColour] * aWidth for _ in range(aHeight)]


def Paste(aCanvas, aImage, aX, aY, aScale=1):
    """Draws an image as the device does: key-colour pixels leave the canvas alone."""
    for y, row in enumerate(aImage):
        for x, pixel in enumerate(row):
            if Rgb565(pixel) == Rgb565(KKey):
                continue
            for dy in range(aScale):
                for dx in range(aScale):
                    aCanvas[aY + y * aScale + dy][aX + x * aScale + dx] = pixel


def Preview(aBack, aImages):
    """Both screen sizes side by side, with radio buttons and check boxes where the main screen
    has them, and every state image four times enlarged below."""
    names = ["CheckOn", "CheckOff", "RadioOn", "RadioOff", "SliderHor", "SliderVer"]
    canvas = Canvas(320 + 8 + 480, 272 + 8 + 2 * (4 * 20 + 8), (40, 40, 40))
    for left, (width, height) in ((0, (320, 240)), (328, (480, 272))):
        screen = Canvas(width, height, Quantize(KNavy))
        Paste(screen, aBack, 0, 0)
        for row, y in enumerate((50, 70)):
            for column, x in enumerate((width // 2, 3 * width // 4)):
                checked = column == 0
                name = "Radio" + ("On" if checked else "Off") + ("Dis" if row else "")
                Paste(screen, aImages[name], x, y + 2)
        for column, name in enumerate(["CheckOn", "CheckOff", "CheckOnDis", "CheckOffDis"]):
            Paste(screen, aImages[name], 5 + column * 30, 140)
        Paste(canvas, screen, left, 0)
    for line, suffix in enumerate(("", "Dis")):
        x = 0
        for name in names:
            image = aImages[name + suffix]
            Paste(canvas, image, x, 280 + line * (4 * 20 + 8), 4)
            x += 4 * len(image[0]) + 12
    return canvas


def Main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(here, "..", "data", "skin"))
    parser.add_argument("--preview", help="also write a PNG preview to this file")
    parser.add_argument("--back-size", help="draw only Back.bmp, this size (480x272)")
    arguments = parser.parse_args()

    if arguments.back_size:
        try:
            size = tuple(int(n) for n in arguments.back_size.split("x"))
        except ValueError:
            size = ()
        if len(size) != 2 or min(size) < 2:
            parser.error("--back-size is WIDTHxHEIGHT, each at least 2")
        os.makedirs(arguments.out, exist_ok=True)
        with open(os.path.join(arguments.out, "Back.bmp"), "wb") as out:
            out.write(BmpBytes(DrawBack(size)))
        return 0

    images = StateImages()
    back = DrawBack()
    os.makedirs(arguments.out, exist_ok=True)
    files = dict(images)
    files["Back"] = back
    for name in sorted(files):
        with open(os.path.join(arguments.out, name + ".bmp"), "wb") as out:
            out.write(BmpBytes(files[name]))
    if arguments.preview:
        with open(arguments.preview, "wb") as out:
            out.write(PngBytes(Preview(back, images)))
    return 0


if __name__ == "__main__":
    sys.exit(Main())
