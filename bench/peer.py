#!/usr/bin/env python3
"""The conversion relabel makes, as a short script: the benchmark's peer.

  peer.py INPUT OUTPUT [x]

Reads INPUT.pnl and INPUT.pcb, writes OUTPUT.pcb and the same console output
as relabel. Handles what the benchmark inputs hold; it does not reproduce
relabel's failure reports, and numbers are read as plain or hexadecimal
integers.
"""
import re
import sys

MARKER = b'    ("'
NUMBER = re.compile(rb" *([+-]?)(?:(\d+)|(?:\$|0?[xX])([0-9a-fA-F]+))")


def text_lines(data):
    """The raw pieces between LFs and the lines they read as: LF or CR LF
    ends a line, a lone CR is dropped, a byte 26 ends the data."""
    pieces = data.split(b"\x1a", 1)[0].split(b"\n")
    if pieces[-1] == b"":
        pieces.pop()
    return pieces, [p.replace(b"\r", b"") for p in pieces]


def to_int(token):
    """The value of a number token: its leading integer, 0 when it has none.
    Out-of-range values wrap to 32 bits."""
    m = NUMBER.match(token)
    if not m:
        return 0
    if m.group(2) is not None:
        v = int(m.group(2))
    else:
        v = int(m.group(3), 16)
    if m.group(1) == b"-":
        v = -v
    v &= 0xFFFFFFFF
    return v - (1 << 32) if v >= 1 << 31 else v


def parse_entry(line, name, numbers):
    """Updates name and numbers from a board entry line, returns the name."""
    open_quote = line.find(b'"')
    if open_quote < 0:
        return name
    rest = line[open_quote + 1:]
    close = rest.find(b'"')
    if close < 0:
        name = b""
        rest = rest[1:]
    else:
        name = rest[:close][:72]
        rest = rest[close + 2:]
    for i in range(6):
        paren = rest.find(b")")
        if paren < 0:
            numbers[i] = 0
            return name
        blank = rest.find(b" ", 0, paren)
        end = paren if blank < 0 else blank
        numbers[i] = to_int(rest[:end]) if end > 0 else 0
        rest = rest[end + 1:]
    return name


def entry_line(name, numbers):
    return b'    ("' + name + b'" ' + b" ".join(b"%d" % v for v in numbers) + b")"


def parse_parts(line):
    texts = [b"", b"", b"", b""]
    fields = line.split(b'"')
    # Texts lie between the 1st and 2nd quote, the 3rd and 4th, ...
    for k in range(4):
        if 2 * k + 2 >= len(fields):
            break
        t = fields[2 * k + 1]
        if t.endswith(b" "):
            t = t[:-1]
        texts[k] = t[:72]
    return texts


def fail_section(console, base, ext):
    console.append(b"Soubor " + base + ext + b' neobsahuje sekci "Components".\r\n')
    sys.stdout.buffer.write(b"".join(console))
    sys.exit(2)


def main():
    args = [a.encode() for a in sys.argv[1:]]
    console = [b"Prevod popisu soucastek v *.PCB podle *.PNL QUORANT 4.2 ZT'02 V2.1\r\n"]
    relocate = len(args) != 3
    if not relocate:
        console.append(b"Zmena napisu (souradnice zustanou zachovany.)\r\n")
    base, out_base = args[0], args[1]

    with open(base + b".pnl", "rb") as f:
        lines = text_lines(f.read())[1]
    i = next((k for k, l in enumerate(lines) if b"Components" in l), len(lines))
    if i >= len(lines) - 1:
        fail_section(console, base, b".pnl")
    parts = {}
    count = 0
    for line in lines[i + 1:]:
        if line[:1] == b")":
            break
        name, value, second, fourth = parse_parts(line)
        if fourth:
            value = fourth
        parts.setdefault(name, (value, second))
        count += 1
    console.append(b"." * count + b"\r\nCelkem nalezeno: %d soucastek.\r\n" % count)

    with open(base + b".pcb", "rb") as f:
        pieces, lines = text_lines(f.read())
    i = next((k for k, l in enumerate(lines) if b"Components" in l), len(lines))
    if i >= len(lines) - 1:
        fail_section(console, base, b".pcb")
    out = lines[:i + 1]
    entry = [0] * 6
    label = [0] * 6
    name = label_name = b""
    k = i + 1
    n = len(lines)
    while k < n and lines[k - 1][:1] != b")":
        line = lines[k]
        k += 1
        if MARKER not in line:
            out.append(line)
            continue
        name = parse_entry(line, name, entry)
        out.append(line)
        match = parts.get(name)
        if match is None:
            console.append(b"-" + name + b"-")
            out.append(lines[k] if k < n else b"")
            out.append(lines[k + 1] if k + 1 < n else b"")
            k += 2
            continue
        label_name = parse_entry(lines[k] if k < n else b"", label_name, label)
        console.append(b"+")
        if relocate:
            label[:] = [entry[0], entry[1], 5, entry[3], 0, 3 if entry[3] > 3 else 12]
        out.append(entry_line(match[0][:72], label))
        label_name = parse_entry(lines[k + 1] if k + 1 < n else b"", label_name, label)
        label[2] = 0
        out.append(entry_line(match[1][:72], label[:3]))
        k += 2
    # The tail loses its leading blanks, control bytes and blank lines.
    blanks = bytes(range(33))
    for piece in pieces[k:]:
        piece = piece.lstrip(blanks)
        if piece:
            out.append(piece.replace(b"\r", b""))
    with open(out_base + b".pcb", "wb") as f:
        f.write(b"\r\n".join(out) + b"\r\n")
    sys.stdout.buffer.write(b"".join(console))


if __name__ == "__main__":
    main()
