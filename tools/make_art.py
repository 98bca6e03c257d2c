#!/usr/bin/env python3
"""Draws every picture the saver ships: the six critter sprites, the two
envelope pictures, the ten default background pictures, and writes the help
page. Our own art: everything is computed here, nothing is taken from
elsewhere. Only the standard library is used; the JPEG files are encoded by
ImageMagick's `convert` from an intermediate PPM.

Usage: make_art.py [OUT_DIR]   (default: the assets/ folder beside tools/)

The build never runs this; it copies the committed files. Run it again only to
change the art, and commit the generator together with what it wrote.
"""
import math
import os
import random
import struct
import subprocess
import sys
import tempfile

# The colour key of the sprites: texels of exactly this colour are transparent.
KEY = (255, 1, 222)
SPRITE = 64


# ---------------------------------------------------------------- file writers

def write_bmp(path, width, height, pixel_rows):
    """pixel_rows: list of rows, top row first, each a list of (r, g, b)."""
    pitch = (width * 3 + 3) & ~3
    pad = b"\0" * (pitch - width * 3)
    body = bytearray()
    for row in reversed(pixel_rows):  # Windows bitmaps store the bottom row first
        body += b"".join(struct.pack("BBB", b, g, r) for (r, g, b) in row)
        body += pad
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(body), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + body)


def write_jpeg(path, width, height, pixel_rows, quality=90):
    with tempfile.NamedTemporaryFile(suffix=".ppm", delete=False) as tmp:
        tmp.write(b"P6 %d %d 255\n" % (width, height))
        for row in pixel_rows:
            tmp.write(bytes(c for px in row for c in px))
        name = tmp.name
    try:
        # Full-resolution colour (4:4:4): decoders upsample halved chroma each
        # their own way (libjpeg-turbo's triangle filter, the IJG library's
        # scaled DCT in Wine's WIC), which moved the colour edges of the
        # flowers by up to 104 levels between the Linux and the Windows build.
        # Without subsampling they agree to a level; the files are a quarter larger.
        subprocess.run(["convert", name, "-strip", "-sampling-factor", "4:4:4", "-quality", str(quality), path],
                       check=True)
    finally:
        os.unlink(name)


# ---------------------------------------------------------------- helpers

def clamp(v):
    return 0 if v < 0 else 255 if v > 255 else int(v)


def mix(a, b, t):
    t = 0.0 if t < 0 else 1.0 if t > 1 else t
    return (a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, a[2] + (b[2] - a[2]) * t)


def rgb(c):
    return (clamp(c[0]), clamp(c[1]), clamp(c[2]))


def not_key(c):
    """A sprite colour may never equal the key by accident."""
    c = rgb(c)
    return (c[0], 2, c[2]) if c == KEY else c


class Canvas:
    """A sprite canvas in unit coordinates: x and y from -1 to 1, y up."""

    def __init__(self, size):
        self.size = size
        self.px = [[KEY] * size for _ in range(size)]

    def paint(self, inside, colour):
        """inside(x, y) -> bool, or a colour / None for shaded shapes."""
        n = self.size
        for j in range(n):
            y = 1.0 - (j + 0.5) * 2.0 / n
            row = self.px[j]
            for i in range(n):
                x = (i + 0.5) * 2.0 / n - 1.0
                hit = inside(x, y)
                if hit is True:
                    row[i] = not_key(colour)
                elif hit:
                    row[i] = not_key(hit)

    def ellipse(self, cx, cy, rx, ry, colour, outline=None, width=0.0, angle=0.0):
        ca, sa = math.cos(angle), math.sin(angle)

        def inside(x, y):
            dx, dy = x - cx, y - cy
            u, v = (dx * ca + dy * sa) / rx, (-dx * sa + dy * ca) / ry
            d = u * u + v * v
            if d > 1.0:
                return False
            if outline and d > (1.0 - width) ** 2:
                return outline
            return colour if callable(colour) is False else colour(x, y)

        self.paint(inside, colour)

    def line(self, x0, y0, x1, y1, half_width, colour):
        def inside(x, y):
            vx, vy = x1 - x0, y1 - y0
            t = ((x - x0) * vx + (y - y0) * vy) / (vx * vx + vy * vy)
            t = max(0.0, min(1.0, t))
            px, py = x0 + vx * t, y0 + vy * t
            return (x - px) ** 2 + (y - py) ** 2 <= half_width * half_width

        self.paint(inside, colour)


# ---------------------------------------------------------------- sprites
# Every sprite faces the top of the picture except the worm, which crawls
# towards the right: that is the way each one moves on the screen.

def ladybug(frame):
    c = Canvas(SPRITE)
    black = (24, 20, 22)
    # Six legs, swung forward or back depending on the frame.
    swing = 0.16 if frame == 0 else -0.16
    for k, ly in enumerate((0.28, 0.0, -0.28)):
        s = swing if k % 2 == 0 else -swing
        c.line(-0.35, ly, -0.86, ly + 0.12 + s, 0.05, black)
        c.line(0.35, ly, 0.86, ly + 0.12 - s, 0.05, black)
    # Antennae.
    c.line(-0.1, 0.62, -0.3, 0.92, 0.035, black)
    c.line(0.1, 0.62, 0.3, 0.92, 0.035, black)
    # Head and shell.
    c.ellipse(0.0, 0.52, 0.3, 0.22, black)
    c.ellipse(-0.12, 0.6, 0.07, 0.06, (235, 235, 225))
    c.ellipse(0.12, 0.6, 0.07, 0.06, (235, 235, 225))

    def shell(x, y):
        shade = 0.75 + 0.25 * max(0.0, 1.0 - math.hypot(x + 0.2, y - 0.15) / 0.8)
        return (220 * shade, 34 * shade, 30 * shade)

    c.ellipse(0.0, -0.1, 0.58, 0.66, shell, outline=(90, 10, 10), width=0.08)
    c.line(0.0, 0.52, 0.0, -0.72, 0.03, black)
    for sx, sy, r in ((-0.28, 0.15, 0.11), (0.28, 0.15, 0.11), (-0.3, -0.28, 0.12), (0.3, -0.28, 0.12),
                      (-0.14, -0.55, 0.08), (0.14, -0.55, 0.08)):
        c.ellipse(sx, sy, r, r, black)
    c.ellipse(-0.22, 0.3, 0.08, 0.05, (255, 200, 190))  # highlight
    return c


def wormbug(frame):
    c = Canvas(SPRITE)
    # A chain of round segments from the tail (left) to the head (right); the
    # frames bend the body into opposite waves.
    phase = 0.0 if frame == 0 else math.pi
    n = 9
    for k in range(n):
        t = k / (n - 1)
        x = -0.82 + t * 1.5
        y = 0.17 * math.sin(t * 2.6 * math.pi + phase)
        r = 0.15 + 0.05 * math.sin(t * math.pi)
        tone = 0.82 + 0.18 * (k % 2)
        c.ellipse(x, y, r, r, (230 * tone, 140 * tone, 150 * tone), outline=(120, 60, 70), width=0.18)
    # Head, eyes and a smile on the right-hand end.
    hy = 0.17 * math.sin(2.6 * math.pi + phase)
    c.ellipse(0.74, hy, 0.22, 0.21, (240, 156, 164), outline=(120, 60, 70), width=0.14)
    c.ellipse(0.8, hy + 0.08, 0.06, 0.07, (255, 255, 255))
    c.ellipse(0.83, hy + 0.08, 0.03, 0.04, (10, 10, 10))
    c.line(0.76, hy - 0.09, 0.88, hy - 0.06, 0.02, (110, 40, 50))
    return c


def beebug(frame):
    c = Canvas(SPRITE)
    black = (28, 24, 20)
    # Wings: spread wide on frame 0, swept back and narrow on frame 1.
    wing = (205, 230, 250)
    if frame == 0:
        c.ellipse(-0.45, 0.18, 0.42, 0.2, wing, outline=(120, 150, 180), width=0.15, angle=0.35)
        c.ellipse(0.45, 0.18, 0.42, 0.2, wing, outline=(120, 150, 180), width=0.15, angle=-0.35)
    else:
        c.ellipse(-0.3, -0.1, 0.38, 0.15, wing, outline=(120, 150, 180), width=0.15, angle=1.1)
        c.ellipse(0.3, -0.1, 0.38, 0.15, wing, outline=(120, 150, 180), width=0.15, angle=-1.1)
    c.line(-0.08, 0.6, -0.25, 0.88, 0.035, black)
    c.line(0.08, 0.6, 0.25, 0.88, 0.035, black)
    c.ellipse(0.0, 0.5, 0.2, 0.17, black)

    def body(x, y):
        band = int((y + 0.9) / 0.2) % 2
        return black if band == 0 else (250, 200, 30)

    c.ellipse(0.0, -0.2, 0.3, 0.58, body, outline=black, width=0.1)
    c.line(0.0, -0.78, 0.0, -0.92, 0.03, black)  # sting
    c.ellipse(-0.09, 0.56, 0.05, 0.05, (250, 250, 250))
    c.ellipse(0.09, 0.56, 0.05, 0.05, (250, 250, 250))
    return c


# ---------------------------------------------------------------- envelopes

def envelope(front):
    w, h = 256, 128
    paper = (246, 240, 222)
    edge = (150, 130, 100)
    rows = []
    for j in range(h):
        row = []
        for i in range(w):
            x, y = i / (w - 1), j / (h - 1)  # y grows downwards here
            c = paper
            if i < 3 or j < 3 or i >= w - 3 or j >= h - 3:
                c = edge
            elif front:
                # Stamp at the top right with a tiny ladybug-red sun.
                if 0.8 < x < 0.94 and 0.1 < y < 0.42:
                    c = (90, 140, 200)
                    if math.hypot((x - 0.87) * 2, y - 0.26) < 0.07:
                        c = (230, 60, 40)
                    if (i + j) % 6 == 0 and (x < 0.81 or x > 0.93 or y < 0.12 or y > 0.4):
                        c = paper
                # Address lines.
                for k, ly in enumerate((0.55, 0.67, 0.79)):
                    if abs(y - ly) < 0.012 and 0.32 < x < 0.82 - 0.08 * k:
                        c = (60, 60, 90)
                # Postmark circle.
                if abs(math.hypot((x - 0.72) * 2, y - 0.26) - 0.13) < 0.01:
                    c = (120, 120, 130)
            else:
                # Back: the flap folds of an envelope and a red wax seal.
                fx = abs(x - 0.5) * 2
                if abs(y - (0.05 + 0.55 * (1 - fx))) < 0.012:
                    c = edge
                elif y > 0.6 and abs((1 - y) - 0.4 * (1 - fx)) < 0.012:
                    c = edge
                elif y < 0.05 + 0.55 * (1 - fx):
                    c = (236, 228, 206)
                if math.hypot((x - 0.5) * 2, y - 0.58) < 0.1:
                    c = (170, 30, 40) if math.hypot((x - 0.5) * 2, y - 0.58) < 0.085 else (120, 20, 30)
            row.append(rgb(c))
        rows.append(row)
    return w, h, rows


# ---------------------------------------------------------------- backgrounds

class Noise:
    """Smooth value noise over a lattice, summed over a few octaves."""

    def __init__(self, rng, size=64):
        self.size = size
        self.v = [[rng.random() for _ in range(size)] for _ in range(size)]

    def at(self, x, y):
        n = self.size
        xi, yi = int(math.floor(x)), int(math.floor(y))
        fx, fy = x - xi, y - yi
        fx, fy = fx * fx * (3 - 2 * fx), fy * fy * (3 - 2 * fy)
        a = self.v[yi % n][xi % n]
        b = self.v[yi % n][(xi + 1) % n]
        c = self.v[(yi + 1) % n][xi % n]
        d = self.v[(yi + 1) % n][(xi + 1) % n]
        return (a + (b - a) * fx) + ((c + (d - c) * fx) - (a + (b - a) * fx)) * fy

    def fbm(self, x, y, octaves=4):
        total, amp, norm = 0.0, 1.0, 0.0
        for _ in range(octaves):
            total += self.at(x, y) * amp
            norm += amp
            x, y, amp = x * 2.03, y * 2.03, amp * 0.5
        return total / norm


W, H = 1024, 768


def sky_gradient(top, horizon):
    return [mix(top, horizon, (j / (H - 1)) ** 1.4) for j in range(H)]


def ridge(rng, base, amp, waves=4):
    """Height (in rows from the top) of a hill line for every column."""
    parts = [(rng.uniform(0.5, 3.5) * (k + 1), rng.uniform(0, 6.3), amp / (k + 1)) for k in range(waves)]
    return [base - sum(a * math.sin(f * i / W * math.pi + p) for f, p, a in parts) for i in range(W)]


def scene(seed, kind):
    rng = random.Random(seed)
    noise = Noise(rng)
    p = {
        "day": dict(top=(70, 130, 215), horizon=(190, 220, 245), clouds=0.55, hill=(82, 150, 60), far=(120, 170, 120),
                    flowers=True, night=False, sun=(0.78, 0.16)),
        "morning": dict(top=(120, 160, 220), horizon=(250, 215, 170), clouds=0.62, hill=(96, 146, 66),
                        far=(150, 160, 150), flowers=True, night=False, sun=(0.2, 0.5)),
        "sunset": dict(top=(60, 50, 120), horizon=(250, 140, 70), clouds=0.6, hill=(40, 70, 45), far=(110, 80, 100),
                       flowers=False, night=False, sun=(0.55, 0.56)),
        "sky": dict(top=(40, 110, 210), horizon=(170, 210, 250), clouds=0.42, hill=None, far=None, flowers=False,
                    night=False, sun=(0.3, 0.2)),
        "night": dict(top=(4, 6, 24), horizon=(24, 34, 70), clouds=0.75, hill=(12, 28, 18), far=(20, 30, 45),
                      flowers=False, night=True, sun=(0.75, 0.2)),
        "aurora": dict(top=(2, 8, 20), horizon=(10, 40, 50), clouds=2.0, hill=(8, 20, 16), far=(14, 30, 36),
                       flowers=False, night=True, sun=None),
    }[kind]
    sky = sky_gradient(p["top"], p["horizon"])
    far = ridge(rng, H * 0.62, H * 0.05) if p["far"] else None
    near = ridge(rng, H * 0.74, H * 0.07, 3) if p["hill"] else None
    stars = {}
    if p["night"]:
        for _ in range(900):
            x, y = rng.randrange(W), rng.randrange(int(H * 0.7))
            stars[(x, y)] = rng.uniform(0.4, 1.0)
    flowers = []
    if p["flowers"]:
        palette = [(250, 240, 90), (250, 250, 250), (240, 120, 170), (170, 120, 240), (250, 150, 60)]
        for _ in range(700):
            fy = rng.uniform(H * 0.72, H)
            flowers.append((rng.uniform(0, W), fy, 1.5 + 4.0 * (fy - H * 0.7) / (H * 0.3), rng.choice(palette)))
    flower_map = {}
    for fx, fy, r, col in flowers:
        for j in range(int(fy - r), int(fy + r) + 1):
            for i in range(int(fx - r), int(fx + r) + 1):
                if 0 <= i < W and 0 <= j < H and (i - fx) ** 2 + (j - fy) ** 2 <= r * r:
                    flower_map[(i, j)] = (col, ((i - fx) ** 2 + (j - fy) ** 2) < (r * 0.35) ** 2)
    sun = p["sun"]
    rows = []
    for j in range(H):
        base = sky[j]
        row = []
        for i in range(W):
            c = base
            if p["clouds"] < 1.5:
                n = noise.fbm(i / 160.0, j / 70.0)
                t = (n - p["clouds"]) / 0.25
                t *= max(0.0, min(1.0, (H * 0.88 - j) / (H * 0.3)))  # clouds thin out towards the horizon
                if t > 0:
                    cloud = (235, 235, 240) if not p["night"] else (40, 46, 70)
                    if kind == "sunset":
                        cloud = mix((250, 170, 120), (120, 70, 110), j / H)
                    c = mix(c, cloud, t * 0.85)
            else:
                # Aurora curtains: bright green bands that waver with the noise.
                band = math.sin(i / 90.0 + noise.fbm(i / 200.0, 0.5) * 6.0) * 40 + H * 0.3
                d = (j - band) / 90.0
                if -1.0 < d < 1.6:
                    edge = (1 - d / 1.6) if d >= 0 else (1 + d) ** 2
                    glow = edge * (0.5 + 0.5 * noise.fbm(i / 25.0, j / 300.0))
                    c = mix(c, (60, 240, 150) if d > 0 else (120, 80, 220), glow * 0.9)
            if sun:
                sd = math.hypot(i / W - sun[0], (j / H - sun[1]) * 0.75)
                if p["night"]:
                    if sd < 0.045:
                        shade = 0.85 + 0.15 * noise.at(i / 6.0, j / 6.0)
                        c = (235 * shade, 232 * shade, 210 * shade)
                    elif sd < 0.12:
                        c = mix(c, (90, 100, 140), (0.12 - sd) / 0.075 * 0.5)
                else:
                    if sd < 0.04:
                        c = (255, 250, 225)
                    elif sd < 0.25:
                        c = mix(c, (255, 240, 200), ((0.25 - sd) / 0.21) ** 2 * 0.8)
            if (i, j) in stars and c[0] + c[1] + c[2] < 200:
                b = stars[(i, j)]
                c = mix(c, (255, 255, 240), b)
            if far and j > far[i]:
                c = mix(p["far"], sky[j], 0.25 * noise.fbm(i / 40.0, j / 40.0))
            if near and j > near[i]:
                depth = (j - near[i]) / (H - near[i] + 1)
                g = noise.fbm(i / 12.0, j / 6.0)
                hill = p["hill"]
                c = (hill[0] * (0.75 + 0.5 * g) * (1 - 0.2 * depth), hill[1] * (0.8 + 0.4 * g),
                     hill[2] * (0.75 + 0.5 * g))
                if (i, j) in flower_map:
                    col, centre = flower_map[(i, j)]
                    c = (240, 190, 40) if centre and col != (250, 240, 90) else col
            row.append(rgb(c))
        rows.append(row)
    return rows


BACKGROUNDS = ["day", "morning", "sunset", "night", "sky", "day", "aurora", "morning", "night", "sky"]

HELP = """<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>Meadowglow help</title>
<style>
body { font-family: sans-serif; max-width: 44em; margin: 2em auto; line-height: 1.45; color: #223; }
h1 { color: #2f6b2a; } h2 { color: #3d7a38; border-bottom: 1px solid #cdc; }
dt { font-weight: bold; margin-top: 0.6em; }
</style>
</head>
<body>
<h1>Meadowglow</h1>
<p>Meadowglow turns your idle screen into a small meadow at dusk: ladybugs, wiggle worms and buzzzy bees
wander across a drifting star field and your own pictures, while the date, the time and a few useful notices
float over the scene in solid three-dimensional letters.</p>

<h2>Starting and stopping</h2>
<p>Choose Meadowglow in your display settings as the screen saver. It starts after the idle time you set there.
Move the mouse or press a key to return to your work. The small picture in the display settings is a live
preview of the same scene.</p>

<h2>Settings</h2>
<p>Open the settings from the display-settings dialog. Pick a page from the list on the left; every change is
saved at once and shows in the preview after a moment. Leaving with Cancel puts your previous settings back.</p>
<dl>
<dt>Critters</dt>
<dd>How many creatures wander over the screen, which kinds take part (ladybugs, wiggle worms, buzzzy bees),
how large they are and how fast they move. Worms always crawl sideways; ladybugs and bees keep a heading of
their own. Creatures that leave the screen come back on the opposite side.</dd>
<dt>Star fields</dt>
<dd>The layers of stars behind the critters, their number, speed and direction.</dd>
<dt>Pictures</dt>
<dd>Your own BMP or JPEG pictures, shown behind the scene; ten meadow, sky and night pictures come with the
saver. Pictures change after the time you choose.</dd>
<dt>Special effects</dt>
<dd>Fog over the scene, its colour and density, and the sparkle streamers of the mail notice.</dd>
<dt>Date and time</dt>
<dd>The clock overlay, its format, a countdown to a moment of your choice, and today's holiday.</dd>
<dt>Weather</dt>
<dd>The outdoor temperature for a United States zip code, refreshed every half hour.</dd>
<dt>E-mail</dt>
<dd>Mailboxes to watch. When new mail arrives a spinning envelope shows how many messages wait, and a sound
of your choice plays.</dd>
<dt>Chime, alarm and music</dt>
<dd>An hourly chime, an alarm at a set time, and the audio CD.</dd>
<dt>Wallpaper</dt>
<dd>When the saver closes it can leave its last picture, or one of your pictures, as the desktop
wallpaper.</dd>
</dl>

<h2>Where things are kept</h2>
<p>The settings live in one file in the program's folder. If something goes wrong, the saver keeps running and
writes a short note to <code>RunLog.txt</code> in the same folder; that file is what support will ask for.</p>

<h2>Your own critter pictures</h2>
<p>The creatures are drawn from six small pictures beside the program (<code>ladybug0.bmp</code>,
<code>ladybug1.bmp</code>, <code>wormbug0.bmp</code>, <code>wormbug1.bmp</code>, <code>beebug0.bmp</code>,
<code>beebug1.bmp</code>): two animation frames for each kind, 24-bit bitmaps whose width and height are powers
of two. The colour red 255, green 1, blue 222 is see-through. Ladybugs and bees are drawn facing the top of the
picture and worms facing right, which is the way they move.</p>
</body>
</html>
"""


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "assets")
    os.makedirs(out, exist_ok=True)
    only = set(sys.argv[2:])

    def wanted(name):
        return not only or name in only

    for base, draw in (("ladybug", ladybug), ("wormbug", wormbug), ("beebug", beebug)):
        for frame in (0, 1):
            name = "%s%d.bmp" % (base, frame)
            if wanted(name):
                write_bmp(os.path.join(out, name), SPRITE, SPRITE, draw(frame).px)
    for name, front in (("Email_A.bmp", True), ("Email_B.bmp", False)):
        if wanted(name):
            w, h, rows = envelope(front)
            write_bmp(os.path.join(out, name), w, h, rows)
    for k, kind in enumerate(BACKGROUNDS, start=1):
        name = "critterpic%d.jpg" % k
        if wanted(name):
            write_jpeg(os.path.join(out, name), W, H, scene(1000 + k, kind))
    if wanted("Help.htm"):
        with open(os.path.join(out, "Help.htm"), "w", newline="\r\n") as f:
            f.write(HELP)


if __name__ == "__main__":
    main()
