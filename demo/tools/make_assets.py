#!/usr/bin/env python3
"""Generates the demo game's pictures and sounds (all made by code, no
outside art or recordings).

Run from the repository root:  python3 demo/tools/make_assets.py
Writes PNG and WAVE files under demo/data/. Pure Python (zlib only),
deterministic.
"""
import math
import os
import random
import struct
import zlib

OUT = os.path.join(os.path.dirname(__file__), "..", "data")

# 5x7 bitmap font for the labels (upper case, digits, a few signs).
FONT = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "F": ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    "G": ["01110", "10001", "10000", "10111", "10001", "10001", "01111"],
    "H": ["10001", "10001", "10001", "11111", "10001", "10001", "10001"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "Q": ["01110", "10001", "10001", "10001", "10101", "10010", "01101"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "W": ["10001", "10001", "10001", "10101", "10101", "10101", "01010"],
    "Y": ["10001", "10001", "01010", "00100", "00100", "00100", "00100"],
    " ": ["00000"] * 7,
}


class Canvas:
    def __init__(self, w, h, fill=(0, 0, 0, 0)):
        self.w, self.h = w, h
        self.px = [list(fill) for _ in range(w * h)]

    def blend(self, x, y, rgba):
        if not (0 <= x < self.w and 0 <= y < self.h):
            return
        p = self.px[y * self.w + x]
        a = rgba[3] / 255.0
        if a <= 0:
            return
        out_a = a + p[3] / 255.0 * (1 - a)
        for i in range(3):
            src, dst = rgba[i], p[i]
            if out_a > 0:
                p[i] = int(round((src * a + dst * (p[3] / 255.0) * (1 - a)) / out_a))
        p[3] = int(round(out_a * 255))

    def save(self, name):
        raw = bytearray()
        for y in range(self.h):
            raw.append(0)
            for x in range(self.w):
                raw.extend(bytes(max(0, min(255, c)) for c in self.px[y * self.w + x]))
        def chunk(tag, data):
            return struct.pack(">I", len(data)) + tag + data + struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF)
        png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 6, 0, 0, 0))
        png += chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")
        path = os.path.join(OUT, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(png)


def lerp(a, b, t):
    return tuple(int(a[i] + (b[i] - a[i]) * t) for i in range(len(a)))


def gradient(c, top, bottom):
    for y in range(c.h):
        col = lerp(top, bottom, y / (c.h - 1)) + (255,)
        for x in range(c.w):
            c.px[y * c.w + x] = list(col)


def disc(c, cx, cy, r, rgba, glow=0):
    for y in range(int(cy - r - glow) - 1, int(cy + r + glow) + 2):
        for x in range(int(cx - r - glow) - 1, int(cx + r + glow) + 2):
            d = math.hypot(x - cx, y - cy)
            if d <= r:
                c.blend(x, y, rgba)
            elif glow and d <= r + glow:
                t = 1 - (d - r) / glow
                c.blend(x, y, rgba[:3] + (int(rgba[3] * 0.35 * t * t),))


def hills(c, base, amp, freq, phase, colour):
    for x in range(c.w):
        top = int(base - amp * (math.sin(x * freq + phase) * 0.6 + math.sin(x * freq * 2.7 + phase * 1.3) * 0.4))
        for y in range(max(0, top), c.h):
            c.blend(x, y, colour)


def text(c, label, x0, y0, scale, rgba, outline=None):
    def draw(dx, dy, col):
        x = x0
        for ch in label:
            rows = FONT.get(ch, FONT[" "])
            for ry, row in enumerate(rows):
                for rx, bit in enumerate(row):
                    if bit == "1":
                        for sy in range(scale):
                            for sx in range(scale):
                                c.blend(x + rx * scale + sx + dx, y0 + ry * scale + sy + dy, col)
            x += 6 * scale
    if outline:
        for dx, dy in ((-2, 0), (2, 0), (0, -2), (0, 2), (-2, -2), (2, 2), (-2, 2), (2, -2)):
            draw(dx, dy, outline)
    draw(0, 0, rgba)


def text_width(label, scale):
    return len(label) * 6 * scale - scale


def rounded_rect(c, x0, y0, w, h, r, top, bottom, border):
    for y in range(y0, y0 + h):
        for x in range(x0, x0 + w):
            dx = max(x0 + r - x, 0, x - (x0 + w - 1 - r))
            dy = max(y0 + r - y, 0, y - (y0 + h - 1 - r))
            d = math.hypot(dx, dy)
            if d > r:
                continue
            col = lerp(top, bottom, (y - y0) / (h - 1))
            if d > r - 3 or x in (x0, x0 + w - 1) or y in (y0, y0 + h - 1) or \
               x - x0 < 3 or x0 + w - 1 - x < 3 or y - y0 < 3 or y0 + h - 1 - y < 3:
                col = border
            c.blend(x, y, col)


def title_background():
    c = Canvas(1024, 768)
    gradient(c, (10, 14, 40), (70, 50, 110))
    rnd = random.Random(7)
    for _ in range(260):
        x, y = rnd.randrange(1024), rnd.randrange(520)
        b = rnd.randrange(120, 256)
        c.blend(x, y, (b, b, 255, 255))
        if rnd.random() < 0.15:
            for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                c.blend(x + dx, y + dy, (b, b, 255, 120))
    hills(c, 560, 40, 0.006, 0.4, (40, 30, 70, 255))
    hills(c, 620, 30, 0.011, 2.0, (25, 20, 45, 255))
    hills(c, 690, 20, 0.017, 4.1, (12, 10, 25, 255))
    c.save("bg/title.png")


def scene_background(name, top, bottom, sun, hill_colours):
    c = Canvas(1024, 768)
    gradient(c, top, bottom)
    disc(c, *sun)
    base = 520
    for i, col in enumerate(hill_colours):
        hills(c, base + i * 70, 45 - i * 10, 0.005 + i * 0.004, i * 1.7, col)
    c.save(name)


def moon():
    c = Canvas(240, 240)
    disc(c, 120, 120, 70, (255, 246, 210, 255), glow=48)
    disc(c, 95, 100, 14, (225, 215, 180, 255))
    disc(c, 140, 140, 10, (230, 220, 185, 255))
    disc(c, 130, 88, 7, (228, 218, 182, 255))
    c.save("img/moon.png")


def logo():
    label = "VELMOOR"
    scale = 14
    w = text_width(label, scale) + 16
    c = Canvas(w, 7 * scale + 16)
    text(c, label, 8, 8, scale, (255, 236, 180, 255), outline=(60, 30, 90, 255))
    c.save("img/logo.png")


def lantern():
    c = Canvas(96, 96)
    disc(c, 48, 48, 14, (255, 200, 110, 255), glow=32)
    c.save("img/lantern.png")


def buttons():
    states = {
        "normal": ((70, 60, 120), (40, 30, 80), (150, 140, 210), (230, 230, 255, 255)),
        "hover": ((120, 100, 190), (70, 50, 140), (255, 230, 160), (255, 255, 255, 255)),
        "click": ((200, 160, 90), (140, 100, 50), (255, 250, 220), (255, 255, 255, 255)),
        "disabled": ((60, 60, 60), (40, 40, 40), (100, 100, 100), (150, 150, 150, 255)),
    }
    for key, label in (("start", "START"), ("story", "STORY"), ("quit", "QUIT")):
        for state, (top, bottom, border, ink) in states.items():
            c = Canvas(320, 64)
            rounded_rect(c, 0, 0, 320, 64, 14, top + (235,), bottom + (235,), border + (255,))
            scale = 5
            tw = text_width(label, scale)
            text(c, label, (320 - tw) // 2, (64 - 7 * scale) // 2, scale, ink, outline=(20, 10, 40, 200))
            c.save("ui/btn_%s_%s.png" % (key, state))


def slider():
    # The track: a sunken groove with a lit half-round end at each side.
    c = Canvas(400, 12)
    rounded_rect(c, 0, 0, 400, 12, 6, (20, 30, 60, 230), (50, 70, 110, 230), (150, 170, 220, 255))
    c.save("ui/slider_track.png")
    # The thumb: a small lantern-gold knob with a groove across it.
    c = Canvas(24, 36)
    rounded_rect(c, 0, 0, 24, 36, 8, (255, 230, 150, 255), (200, 150, 70, 255), (90, 60, 30, 255))
    for y in (14, 18, 22):
        for x in range(7, 17):
            c.blend(x, y, (120, 80, 40, 200))
    c.save("ui/slider_thumb.png")
    label = "MOONLIGHT"
    c = Canvas(text_width(label, 3) + 8, 7 * 3 + 8)
    text(c, label, 4, 4, 3, (230, 230, 255, 255), outline=(20, 10, 40, 200))
    c.save("ui/label_moonlight.png")


def back_button():
    states = {
        "normal": ((70, 60, 120), (40, 30, 80), (150, 140, 210), (230, 230, 255, 255)),
        "hover": ((120, 100, 190), (70, 50, 140), (255, 230, 160), (255, 255, 255, 255)),
        "click": ((200, 160, 90), (140, 100, 50), (255, 250, 220), (255, 255, 255, 255)),
    }
    for state, (top, bottom, border, ink) in states.items():
        c = Canvas(160, 48)
        rounded_rect(c, 0, 0, 160, 48, 12, top + (235,), bottom + (235,), border + (255,))
        scale = 4
        tw = text_width("BACK", scale)
        text(c, "BACK", (160 - tw) // 2, (48 - 7 * scale) // 2, scale, ink, outline=(20, 10, 40, 200))
        c.save("ui/btn_back_%s.png" % state)


def rule_diagonal():
    # A rule picture for transitions: grey levels rising from the top-left
    # to the bottom-right with a gentle wave, so the wipe edge ripples.
    c = Canvas(1024, 768, (0, 0, 0, 255))
    span = 1024 + 768 * 0.75 + 60
    for y in range(768):
        for x in range(1024):
            v = (x + y * 0.75 + 30 + 30 * math.sin(y / 40.0 + x / 90.0)) / span
            g = max(0, min(255, int(v * 255)))
            c.px[y * 1024 + x] = [g, g, g, 255]
    c.save("rule/diagonal.png")


def save_wave(name, samples, rate):
    """16-bit mono PCM WAVE from samples in -1..1."""
    pcm = b"".join(struct.pack("<h", int(max(-1.0, min(1.0, v)) * 32767)) for v in samples)
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(pcm)) + pcm
    path = os.path.join(OUT, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", len(body)) + body)


def blip(ms, start_hz, end_hz, level, rate=22050):
    """A short sine whose pitch glides from start_hz to end_hz, with a quick
    attack and an exponential decay, so it starts and ends without a click."""
    n = rate * ms // 1000
    phase = 0.0
    out = []
    for i in range(n):
        t = i / n
        hz = start_hz + (end_hz - start_hz) * t
        phase += 2 * math.pi * hz / rate
        envelope = min(1.0, i / (rate * 0.003)) * math.exp(-5.0 * t) * (1.0 - t)
        out.append(level * envelope * math.sin(phase))
    return out


def text_window():
    # The dialogue window: a dark, slightly see-through panel with a soft
    # border, and the plate the speaker's name sits on.
    c = Canvas(960, 190)
    rounded_rect(c, 0, 0, 960, 190, 14, (20, 26, 48, 215), (10, 12, 26, 230), (170, 180, 220, 200))
    c.save("ui/textwindow.png")
    c = Canvas(220, 40)
    rounded_rect(c, 0, 0, 220, 40, 10, (70, 60, 110, 235), (40, 34, 70, 235), (200, 190, 240, 220))
    c.save("ui/nameplate.png")


def text_icons():
    # Click-wait icons, four frames each: the page icon is a triangle that
    # bobs down, the line icon a diamond that pulses, the automatic-mode icon
    # a dot running round a ring.
    for f in range(4):
        c = Canvas(20, 20)
        dy = [0, 1, 2, 1][f]
        for y in range(8):
            for x in range(y, 15 - y):
                c.blend(2 + x, 5 + dy + y, (255, 240, 190, 255))
        c.save("ui/icon_page%02d.png" % f)
        c = Canvas(20, 20)
        r = [4, 5, 6, 5][f]
        for y in range(-r, r + 1):
            for x in range(-r + abs(y), r - abs(y) + 1):
                c.blend(10 + x, 10 + y, (190, 220, 255, 255))
        c.save("ui/icon_line%02d.png" % f)
        c = Canvas(20, 20)
        disc(c, 10, 10, 7, (120, 200, 140, 120))
        a = f * math.pi / 2
        disc(c, int(10 + 6 * math.cos(a)), int(10 + 6 * math.sin(a)), 3, (220, 255, 220, 255))
        c.save("ui/icon_auto%02d.png" % f)


def backlog_pictures():
    # The backlog's voice icon in its three states (normal, mouse over,
    # pressed): a small speaker with sound waves, brighter when hovered and
    # pushed down a pixel when pressed. And the backlog's scroll bar: a
    # tall groove with a knob.
    states = [((150, 170, 220), 0), ((255, 230, 150), 0), ((255, 250, 220), 1)]
    for f, (ink, dy) in enumerate(states):
        c = Canvas(24, 24)
        disc(c, 12, 12 + dy, 11, (20, 26, 48, 200))
        for y in range(9, 16):
            for x in range(5, 9):
                c.blend(x, y + dy, ink + (255,))
        for y in range(5, 20):
            w = 4 - abs(y - 12) * 4 // 8
            for x in range(9, 9 + max(1, w + 1)):
                c.blend(x, y + dy, ink + (255,))
        for r in (4, 7):
            for a in range(-40, 41, 5):
                t = math.radians(a)
                c.blend(int(13 + r * math.cos(t)), int(12 + dy + r * math.sin(t)), ink + (230,))
        c.save("ui/icon_voice%02d.png" % f)
    c = Canvas(12, 440)
    rounded_rect(c, 0, 0, 12, 440, 6, (20, 30, 60, 230), (50, 70, 110, 230), (150, 170, 220, 255))
    c.save("ui/backlog_track.png")
    c = Canvas(20, 40)
    rounded_rect(c, 0, 0, 20, 40, 8, (255, 230, 150, 255), (200, 150, 70, 255), (90, 60, 30, 255))
    c.save("ui/backlog_thumb.png")


def sounds():
    save_wave("se/hover.wav", blip(60, 1400, 1700, 0.35), 22050)
    save_wave("se/click.wav", blip(140, 900, 420, 0.6), 22050)


def main():
    title_background()
    rule_diagonal()
    scene_background("bg/dawn.png", (250, 170, 120), (120, 80, 140), (760, 420, 90, (255, 230, 170, 255), 60),
                     [(90, 70, 110, 255), (60, 45, 80, 255), (30, 22, 40, 255)])
    scene_background("bg/sea.png", (90, 160, 220), (200, 230, 250), (240, 150, 60, (255, 255, 240, 255), 40),
                     [(40, 90, 140, 255), (30, 70, 120, 255), (20, 50, 90, 255)])
    moon()
    logo()
    lantern()
    buttons()
    slider()
    back_button()
    text_window()
    text_icons()
    backlog_pictures()
    sounds()


if __name__ == "__main__":
    main()
