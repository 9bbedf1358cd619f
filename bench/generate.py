#!/usr/bin/env python3
"""Writes benchmark inputs for relabel: a board file and a parts list.

Deterministic for a given seed. A board holds a head, a "Components" section
of N components (an entry line and two label lines each, some foreign records
between them) and a tail of track records. A parts list holds entries for a
chosen set of the board's components, in shuffled order, plus entries for
names that are not on the board.

  generate.py board N OUT.pcb [--seed S]
  generate.py parts N OUT.pnl --share F [--extra E] [--seed S]
      entries for the components of an N-component board kept with
      probability F, plus E entries for names absent from every board
  generate.py parts N OUT.pnl --hits H --extra E [--seed S]
      entries for H fixed components (present on every board of at least
      H / 0.9 components) plus E absent names
"""
import argparse
import random

PREFIXES = ["R", "C", "L", "D", "Q", "U", "J", "TP", "FB", "Y"]
FOOTPRINTS = ["0402", "0603", "0805", "1206", "SOT23", "SOIC8", "QFN32",
              "TSSOP20", "SMA", "DPAK"]
VALUES = {
    "R": ["10k", "4k7", "100R", "1M", "22R", "330R", "2k2", "47k"],
    "C": ["100n", "10u", "1u", "22p", "4n7", "470u"],
    "L": ["10u", "4u7", "100n"],
    "D": ["1N4148", "BAT54", "LED red", "SMBJ5.0A"],
    "Q": ["BC847", "BSS138", "IRLML6402"],
    "U": ["LM358", "STM32F103C8", "74HC595", "NE555", "AMS1117-3.3"],
    "J": ["HDR 2x5", "USB-B", "RJ45"],
    "TP": ["TP"],
    "FB": ["600R@100MHz"],
    "Y": ["8MHz", "32.768kHz"],
}


def component_name(i):
    """The designator of component i (0-based), unique per i."""
    prefix = PREFIXES[i % len(PREFIXES)]
    return "%s%d" % (prefix, i // len(PREFIXES) + 1)


def write_board(n, path, seed):
    rnd = random.Random(seed)
    out = []
    out.append('(Board "bench-%d"' % n)
    out.append('  (Units mil)')
    out.append('  (Size 16000 10000)')
    out.append('  (Layers "Top" "Bottom" "Silk" "Outline")')
    out.append(')')
    out.append('(Components')
    for i in range(n):
        name = component_name(i)
        x = rnd.randrange(100, 16000)
        y = rnd.randrange(100, 10000)
        rot = rnd.choice((0, 0, 0, 1, 2, 3, 4, 6))
        side = rnd.choice((0, 0, 0, 1))
        out.append('    ("%s" %d %d %d %d %d 0)' % (name, x, y, side, rot, rnd.randrange(0, 3)))
        prefix = name.rstrip("0123456789")
        value = rnd.choice(VALUES[prefix])
        out.append('    ("%s" %d %d 4 0 1 12)' % (value, x - 60, y + 10 + rnd.randrange(0, 40)))
        out.append('    ("%s" %d %d 4 0 1 12)' % (rnd.choice(FOOTPRINTS), x - 55, y - 10 - rnd.randrange(0, 40)))
        if i % 50 == 49:
            out.append('  ; group %d' % (i // 50))
    out.append(')')
    out.append('')
    out.append('(Tracks')
    for i in range(n):
        out.append('  (Track %d %d %d %d %d %d)' % (
            rnd.randrange(1, 3), rnd.randrange(0, 16000), rnd.randrange(0, 10000),
            rnd.randrange(0, 16000), rnd.randrange(0, 10000), rnd.choice((8, 10, 12, 20))))
        if i % 200 == 199:
            out.append('')
    out.append('\t)')
    out.append('(End)')
    with open(path, "wb") as f:
        f.write(("\r\n".join(out) + "\r\n").encode("latin-1"))


def parts_line(rnd, name):
    prefix = name.rstrip("0123456789")
    value = rnd.choice(VALUES.get(prefix, ["X"]))
    footprint = rnd.choice(FOOTPRINTS)
    r = rnd.random()
    if r < 0.10:
        # A fourth text that overrides the value.
        return '"%s" "%s" "%s" "%s"' % (name, value, footprint, value + " 1%")
    if r < 0.20:
        # Texts written with a trailing blank before the closing quote.
        return '"%s " "%s " "%s" ""' % (name, value, footprint)
    return '"%s" "%s" "%s" ""' % (name, value, footprint)


def write_parts(names, path, seed):
    rnd = random.Random(seed + 1)
    rnd.shuffle(names)
    out = ['(PartsList "bench"', '  (Source "QUORANT 4.2")', ')', 'Components']
    for name in names:
        out.append(parts_line(rnd, name))
    out.append(')')
    with open(path, "wb") as f:
        f.write(("\r\n".join(out) + "\r\n").encode("latin-1"))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("kind", choices=("board", "parts"))
    ap.add_argument("n", type=int)
    ap.add_argument("out")
    ap.add_argument("--seed", type=int, default=6)
    ap.add_argument("--share", type=float)
    ap.add_argument("--hits", type=int)
    ap.add_argument("--extra", type=int, default=0)
    a = ap.parse_args()
    if a.kind == "board":
        write_board(a.n, a.out, a.seed)
        return
    rnd = random.Random(a.seed + 2)
    if a.hits is not None:
        # Every tenth component is left out, as with --share 0.9.
        names = [component_name(i) for i in range(a.hits * 10 // 9 + 1) if i % 10 != 9][:a.hits]
    else:
        names = [component_name(i) for i in range(a.n) if rnd.random() < a.share]
    names += ["NC%d" % i for i in range(a.extra)]
    write_parts(names, a.out, a.seed)


if __name__ == "__main__":
    main()
