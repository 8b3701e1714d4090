#!/usr/bin/python3
"""Generates the sample projects under samples/: synthetic but physically
plausible low-strain pile tests. A folder is one project, so the Chinese
bridge piles go into samples/demo_project and the English pier piles into
samples/harbour_pier.

Each pile's head velocity comes from a one-dimensional wave model of the pile
(a chain of cells with their own impedance: necking, bulging, a fracture, an
enlarged base), soil damping along the shaft, a half-sine hammer pulse and a
little sensor noise. The files are written byte by byte in several instrument
generations: old short headers, the parameter block, a blow table and files
saved with an analysis block.

Usage: /usr/bin/python3 tools/gen_samples.py [output root]
"""
import os
import struct
import sys

import numpy as np

N = 1024
DT_US = 20.0
SEED = 20240315


def head_velocity(length, speed, profile, base_ratio, damping, pulse_ms, amp, rng):
    """Velocity at the pile head (cm/s) for a unit-force half-sine pulse.

    profile(z) gives the relative impedance at depth z (1 = nominal);
    base_ratio is the soil base impedance relative to the pile's (0 free toe,
    above 1 an enlarged base bearing on stiff soil)."""
    dt = DT_US * 1e-6
    dz = speed * dt / 2  # two cells per sample: smoother reflections
    cells = max(int(round(length / dz)), 4)
    z = (np.arange(cells) + 0.5) * dz
    imp = np.array([profile(v) for v in z])
    steps = 2 * N
    down = np.zeros(cells)
    up = np.zeros(cells)
    loss = np.exp(-damping * dz)
    width = pulse_ms * 1e-3 / (dt / 2)
    out = np.zeros(steps)
    r = (imp[:-1] - imp[1:]) / (imp[:-1] + imp[1:])
    t_dn = 2 * imp[:-1] / (imp[:-1] + imp[1:])
    t_up = 2 * imp[1:] / (imp[:-1] + imp[1:])
    base = imp[-1] * base_ratio
    r_toe = (imp[-1] - base) / (imp[-1] + base)
    for k in range(steps):
        force = np.sin(np.pi * k / width) if k < width else 0.0
        out[k] = down[0] + up[0]
        nd = np.empty(cells)
        nu = np.empty(cells)
        nd[0] = force / imp[0] + up[0]
        nd[1:] = t_dn * down[:-1] - r * up[1:]
        nu[:-1] = r * down[:-1] + t_up * up[1:]
        nu[-1] = r_toe * down[-1]
        down = nd * loss
        up = nu * loss
    v = out[::2] * amp
    v += rng.normal(0, 0.004 * np.max(np.abs(v)), v.size)
    return v.astype(np.float32)


def profile_of(kind, length):
    def intact(z):
        return 1.0

    def necking(z, at=0.45 * length):
        return 0.55 if at <= z < at + 0.8 else 1.0

    def bulging(z, at=0.6 * length):
        return 1.6 if at <= z < at + 1.0 else 1.0

    def fracture(z, at=0.5 * length):
        return 0.08 if at <= z < at + 0.16 else 1.0

    def neck_and_bulge(z):
        return necking(z, 0.3 * length) * bulging(z, 0.7 * length)

    return {"intact": intact, "necking": necking, "bulging": bulging, "fracture": fracture,
            "both": neck_and_bulge, "base": intact}[kind]


def gbk(text, size):
    b = text.encode("gbk")[: size - 1]
    return b + b"\0" * (size - len(b))


def utf16(text, size):
    b = text.encode("utf-16-le")[:size]
    return b + b"\0" * (size - len(b))


def test_time(day, hour):
    # 2024-03-<day> <hour>:00 in China Standard Time, as UTC seconds.
    import calendar
    return calendar.timegm((2024, 3, day, hour - 8, 0, 0))


def short_header(p, length_bytes):
    h = bytearray(309)
    h[0:9] = gbk("PIT", 9)
    struct.pack_into("<fiiiiiii", h, 9, p["length"], p["diameter"], p["speed"], 0, 2000, 0, 1, 1)
    struct.pack_into("<ffii", h, 57, DT_US, 1.0, p["blows"], N)
    h[73:82] = gbk(p["id2"], 9)
    struct.pack_into("<iif", h, 82, p["time"], 0, -1.0)
    h[94:103] = gbk(p["pile"], 9)
    struct.pack_into("<i", h, 119, 0)
    struct.pack_into("<iii", h, 125, 0, 0, p["grade"])
    return bytes(h[:length_bytes])


def param_block(p, eight_bit_texts=False):
    b = bytearray(432)
    b[0:50] = utf16(p["project"], 50)
    struct.pack_into("<fi", b, 50, p["length"], p["diameter"])
    struct.pack_into("<10i", b, 58, p["speed"], 0, 2000, 0, 1, 1, 0, 0, 0, 0)
    struct.pack_into("<ffii", b, 98, DT_US, 1.0, p["blows"], N)
    b[114:164] = utf16(p["id2"], 50)
    struct.pack_into("<iif", b, 164, p["time"], 0, -1.0)
    b[176:226] = gbk(p["pile"], 50) if eight_bit_texts else utf16(p["pile"], 50)
    b[226] = 0
    struct.pack_into("<i", b, 242, p.get("sensor", 0))
    struct.pack_into("<iii", b, 248, p.get("shape", 0), p.get("side", 0), p["grade"])
    enc = (lambda t: gbk(t, 50)) if eight_bit_texts else (lambda t: utf16(t, 50))
    b[260:310] = enc(p.get("text4", ""))
    b[310:360] = enc(p.get("text5", ""))
    b[360:410] = enc(p.get("text6", ""))
    if not eight_bit_texts:
        b[410:420] = utf16(p.get("class", "I"), 10)
    struct.pack_into("<ff", b, 424, p.get("enlarged", 0.0), p.get("enlarged2", 0.0))
    return bytes(b)


def archive(text):
    b = text.encode("gbk") + b"\0"
    return struct.pack("<i", len(b)) + b


def channel_record(samples, p, marks, average=False):
    head = int(np.argmax(samples[:200]))
    toe = min(N - 1, head + int(2 * p["length"] / p["speed"] * 1e6 / DT_US))
    out = struct.pack("<11i", N, 0, 2000, 0, 1, 0, 2 if p["kind"] == "base" else 0, toe, head,
                      p["speed"], p["speed"])
    out += struct.pack("<ffiiifif", p.get("sensor", 0) / 1000.0, p["length"], head, head, toe, DT_US, head, 1.0)
    out += struct.pack("<i", len(marks))
    for depth, dtype, sev in marks:
        idx = head + int(2 * depth / p["speed"] * 1e6 / DT_US)
        out += struct.pack("<4i", idx, dtype, sev, 0)
    return out + samples.astype("<f4").tobytes()


def analysis_block(p, waves, avg):
    out = bytearray(12)
    out += archive(p["pile"]) + archive("2024-02-20")
    out += b"\1"
    out += archive(p["project"]) + archive("2024-03-%02d %02d:00:00" % (p["day"], p["hour"]))
    out += archive(p.get("text6", "")) + archive(p.get("text5", ""))
    out += struct.pack("<fi", p["length"], p["speed"]) + archive(p.get("class", "I"))
    out += struct.pack("<iiifff", p["grade"] // 5 - 3, 1, 0, float(p["diameter"]), 0.0, 0.0)
    out += bytes(8)
    out += archive(p.get("remark", "")) + archive(p["conclusion"]) + archive(p["id2"])
    out += archive(p["shape_text"])
    out += struct.pack("<ii", 0, N) + bytes(24)
    out += struct.pack("<i", p["blows"])  # the averaged wave is current
    out += struct.pack("<15i", *([1] * p["blows"] + [0] * (15 - p["blows"])))
    out += b"\1" + struct.pack("<ffi", float(p["diameter"]), 0.0, p.get("sensor", 0))
    head_pos = len(out)
    for w in waves:
        out += channel_record(w, p, [])
    avg_pos = len(out)
    out += channel_record(avg, p, p["marks"], True)
    out += struct.pack("<iiif", 1, 1, 0, 1.0)
    return bytes(out), head_pos, avg_pos


def file_bytes(p, waves):
    samples = b"".join(w.astype("<f4").tobytes() for w in waves)
    fmt = p["format"]
    if fmt in ("type0", "type2", "type3"):
        length = {"type0": 90, "type2": 150, "type3": 219}[fmt]
        code = 4 if fmt == "type3" else 3
        magic, area = b"VADUZI", short_header(p, min(length, 309)) + bytes(max(0, length - 309))
    elif fmt == "type5":
        magic, code, area = b"RIRADAD", 100, param_block(p, True) + bytes(96)
    else:  # type6 instrument file and the saved ones
        magic, code = b"VADUZI", 3
        area = param_block(p) + struct.pack("<BBiii", 0, 0, p.get("shape", 0), p.get("side", 0), p["grade"])
        area += bytes(96 - 14)
    head = bytearray(50)
    head[0:len(magic)] = magic
    P, W = 50, 50 + len(area)
    A = W + len(samples)
    trail = b""
    if fmt == "saved":
        code = 1042
        # A blow file the program saved keeps its magic; its analysis block
        # took the place of the blow table.
        if p.get("blow_file"):
            magic = b"A-RIRADAD"
            head[0:len(magic)] = magic
        avg = np.mean(np.array(waves), axis=0).astype(np.float32)
        trail, cur, _ = analysis_block(p, waves, avg)
    elif fmt == "blows":
        magic = b"A-RIRADAD"
        head[0:len(magic)] = magic
        code = 100
        table = bytearray(b"AA" + struct.pack("<i", len(waves)))
        blocks = bytearray()
        first = A + len(table) + 4 * len(waves)
        for i, w in enumerate(waves):
            at = first + len(blocks)
            table += struct.pack("<i", at)
            blocks += b"AD" + struct.pack("<i", i + 1) + bytes([0] * 15) + struct.pack("<i", at + 62)
            blocks += struct.pack("<fiiiifiii", p["length"], p["speed"], 0, 2000, 1, -1.0, 20, 270, 0) + b"\0"
            blocks += w.astype("<f4").tobytes()
        trail = bytes(table + blocks)
    struct.pack_into("<iiiii", head, 10, code, P, W, A, 0)
    return bytes(head) + area + samples + trail


PILES = [
    dict(pile="ZK1", kind="intact", format="type6", length=12.0, speed=3800, diameter=800, blows=3,
         project="滨江大桥桩基检测", id2="东岸", text4="中铁一局", text5="张工", text6="C30", class_="I"),
    dict(pile="ZK2", kind="necking", format="type6", length=10.0, speed=3900, diameter=1000, blows=4,
         project="滨江大桥桩基检测", id2="东岸", class_="III"),
    dict(pile="ZK3", kind="bulging", format="type5", length=14.0, speed=4000, diameter=1200, blows=3,
         project="滨江大桥桩基检测", id2="西岸", text4="监理甲", text5="李工", text6="C35"),
    dict(pile="ZK4", kind="fracture", format="type0", length=9.0, speed=3700, diameter=600, blows=3,
         project="", id2="W1"),
    dict(pile="ZK5", kind="base", format="type3", length=11.0, speed=4000, diameter=800, blows=5,
         project="", id2="W2"),
    dict(pile="ZK6", kind="both", format="saved", length=13.0, speed=3850, diameter=1000, blows=3,
         project="滨江大桥桩基检测", id2="北侧", class_="II", remark="缩径与扩径",
         conclusion="距桩顶约3.90m缩径，9.10m扩径。", marks=[(3.9, 0, 1), (9.1, 5, 1)]),
    dict(pile="P7", kind="intact", format="type6", length=8.0, speed=4100, diameter=500, blows=3,
         project="Harbour Pier Piling", id2="Row A", shape=1, side=500, text4="Acme Piling", class_="I"),
    dict(pile="P8", kind="necking", format="saved", length=10.0, speed=3950, diameter=600, blows=4,
         project="Harbour Pier Piling", id2="Row B", class_="II", shape_text="Round pile",
         conclusion="Integrity Ass: Apart Pile Top 4.50m moderate necking.", marks=[(4.5, 0, 1)]),
    dict(pile="ZK9", kind="fracture", format="type2", length=7.5, speed=3600, diameter=600, blows=2,
         project="", id2="S9"),
    dict(pile="ZK10", kind="intact", format="blows", length=9.0, speed=3900, diameter=800, blows=3,
         project="滨江大桥桩基检测", id2="南侧"),
    # Blow files for report mode's list: two as the instrument wrote them,
    # two saved by the program with their analysis.
    dict(pile="ZK11", kind="intact", format="blows", length=10.5, speed=3750, diameter=800, blows=3,
         project="滨江大桥桩基检测", id2="南侧"),
    dict(pile="ZK12", kind="necking", format="blows", length=11.0, speed=4050, diameter=1000, blows=4,
         project="滨江大桥桩基检测", id2="南侧"),
    dict(pile="ZK13", kind="necking", format="saved", blow_file=True, length=12.0, speed=3820, diameter=1000,
         blows=3, project="滨江大桥桩基检测", id2="西侧", class_="II",
         conclusion="距桩顶约5.00m轻微缩径。", marks=[(5.0, 0, 0)]),
    dict(pile="ZK14", kind="intact", format="saved", blow_file=True, length=9.5, speed=3950, diameter=800,
         blows=3, project="滨江大桥桩基检测", id2="西侧", class_="I", conclusion="桩身完整"),
]


# The folder of each project; the instrument files without a project name
# belong to the bridge.
PROJECT_FOLDERS = {"滨江大桥桩基检测": "demo_project", "": "demo_project", "Harbour Pier Piling": "harbour_pier"}


def main():
    out_root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "samples")
    rng = np.random.default_rng(SEED)
    for i, p in enumerate(PILES):
        p.setdefault("marks", [])
        p.setdefault("conclusion", "")
        p.setdefault("shape_text", "方桩" if p.get("shape") == 1 else "圆桩")
        if "class_" in p:
            p["class"] = p.pop("class_")
        p["grade"] = 30 + 5 * (i % 3)
        p["day"], p["hour"] = 10 + i, 9 + i % 6
        p["time"] = test_time(p["day"], p["hour"])
        profile = profile_of(p["kind"], p["length"])
        base = 3.0 if p["kind"] == "base" else 0.15
        waves = []
        for b in range(p["blows"]):
            amp = 25.0 * (1.0 + 0.08 * rng.standard_normal())
            waves.append(head_velocity(p["length"], p["speed"], profile, base, 0.06, 0.9 + 0.05 * b, amp, rng))
        out_dir = os.path.join(out_root, PROJECT_FOLDERS[p["project"]])
        os.makedirs(out_dir, exist_ok=True)
        with open(os.path.join(out_dir, p["pile"] + ".DUX"), "wb") as f:
            f.write(file_bytes(p, waves))


if __name__ == "__main__":
    main()
