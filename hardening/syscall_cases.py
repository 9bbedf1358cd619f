#!/usr/bin/env python3
"""Writes the cases of hardening/syscalls.sh: one folder of input files per
case, and a manifest (manifest.jsonl, one JSON object per line) that says how
each case is run.

  syscall_cases.py OUTDIR [--random N] [--seed S] [--bench 1000,10000]
                          [--groups examples,fuzz,...] [--no-pty]

A manifest entry holds:
  group, name   where the case is reported
  dir           the case's folder, relative to OUTDIR (copied fresh per run)
  args          the program's arguments
  console       file | null | pipe | full | pipe-closed | pipe-head1 | pty
  links         hard links to make in the copy: [[existing, new], ...]
  limits        {"fsize": bytes, "nofile": n}, set on the program alone
  inject        {"call": "read", "error": "EIO"}: the runner fails each of
                the program's calls of that kind once in turn
"""
import argparse
import json
import os
import random
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

PARTS = (b"QUORANT parts\r\n"
         b"Components\r\n"
         b"\"R1\" \"10k\" \"0805\" \"\"\r\n"
         b"\"C1 \" \"100n \" \"0603\" \"\"\r\n"
         b"\"U1\" \"LM358\" \"SO8\" \"LM358A\"\r\n"
         b")\r\n")
BOARD = (b"HEAD\r\n"
         b"Components\r\n"
         b"    (\"R1\" 150 200 0 2 0 0)\r\n"
         b"    (\"old\" 90 210 4 0 1 12)\r\n"
         b"    (\"R1\" 95 190 4 0 1 12)\r\n"
         b"    (\"Q9\" 10 20 0 2 0 0)\r\n"
         b"    (\"q\" 1 2 3 4 5 6)\r\n"
         b"    (\"Q9\" 1 2 3 4 5 6)\r\n"
         b"  ; comment\r\n"
         b"    (\"U1\" 300 400 90 6 0 0)\r\n"
         b"    (\"v\" 1 2 3)\r\n"
         b"    (\"U1\" 7 8 9 10 11 12)\r\n"
         b")\r\n"
         b"\r\n"
         b"   Nets  \r\n"
         b"\tEnd\r\n")


def lf(text, end=b"\n"):
    """`text` with every CR LF replaced by `end`."""
    return text.replace(b"\r\n", end)


def crlf_at(prefix, head, fill, tail, boundary):
    """`prefix` + a line of `head`, filler and `tail` whose CR is byte number
    `boundary` of the file (1-based), then LF."""
    n = boundary - 1 - len(prefix) - len(head) - len(tail)
    assert n >= 0, (boundary, len(prefix))
    return prefix + head + fill * n + tail + b"\r\n"


class Writer:
    def __init__(self, out, groups, pty=True):
        self.out = out
        self.groups = groups
        self.pty = pty
        self.entries = []

    def wants(self, group):
        return self.groups is None or group in self.groups

    def case(self, group, name, files, args=("in", "out"), console="file",
             links=(), limits=None, inject=None, folders=(), symlinks=()):
        """files: {name: bytes}; folders: names of empty folders;
        symlinks: [(name, target)]."""
        if not self.wants(group) or (console == "pty" and not self.pty):
            return
        rel = os.path.join(group, name)
        d = os.path.join(self.out, rel)
        os.makedirs(d)
        for fname, data in files.items():
            path = os.path.join(d, fname)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(data)
        for folder in folders:
            os.makedirs(os.path.join(d, folder))
        for fname, target in symlinks:
            os.symlink(target, os.path.join(d, fname))
        entry = {"group": group, "name": name, "dir": rel, "args": list(args),
                 "console": console}
        if links:
            entry["links"] = [list(l) for l in links]
        if limits:
            entry["limits"] = limits
        if inject:
            entry["inject"] = inject
        self.entries.append(entry)

    def save(self):
        with open(os.path.join(self.out, "manifest.jsonl"), "w") as f:
            for e in self.entries:
                f.write(json.dumps(e) + "\n")


def demo_files():
    ex = os.path.join(ROOT, "examples")
    return {n: open(os.path.join(ex, n), "rb").read() for n in ("demo.pnl", "demo.pcb")}


def many_files(entries=5000, components=300):
    """A list long enough that its marks fill a 4096-byte pipe, and a board
    where every seventh component is missing from the list."""
    p = [b"list\r\nComponents\r\n"]
    for i in range(entries):
        p.append(b"\"P%d\" \"v%d\" \"s%d\" \"\"\r\n" % (i, i, i))
    p.append(b")\r\n")
    b = [b"head\r\nComponents\r\n"]
    for i in range(components):
        name = b"P%d" % (i * 3) if i % 7 else b"X%d" % i
        b.append(b"    (\"%s\" %d %d 0 %d 0 0)\r\n    (\"v\" 1 2 3 4 5 6)\r\n"
                 b"    (\"s\" 1 2 3)\r\n" % (name, i, 2 * i, i % 8))
    b.append(b")\r\ntail\r\n")
    return {"in.pnl": b"".join(p), "in.pcb": b"".join(b)}


# --- the fixed examples -----------------------------------------------------

def examples(w):
    demo = demo_files()
    for name, args in [("default", ["demo", "out"]), ("keep", ["demo", "out", "x"]),
                       ("four_args", ["demo", "out", "x", "y"]),
                       ("usage_none", []), ("usage_one", ["demo"])]:
        w.case("examples", name, demo, args)


# --- the conversion fuzz corpus ---------------------------------------------

def fuzz(w):
    corpus = os.path.join(ROOT, "fuzz", "corpus", "conversion")
    for fname in sorted(os.listdir(corpus)):
        data = open(os.path.join(corpus, fname), "rb").read()
        if not data:
            continue
        settings, rest = data[0], data[1:]
        cut = rest.find(b"\xff\xfe")
        files = {"in.pnl": rest if cut < 0 else rest[:cut]}
        if cut >= 0:
            files["in.pcb"] = rest[cut + 2:]
        args = ["in", "out"] + (["x"] if settings & 1 else [])
        w.case("fuzz", fname, files, args)
        w.case("fuzz", fname + "-tty", files, args, console="pty")


# --- hostile inputs at a small scale ----------------------------------------

def hostile(w):
    rng = random.Random(50)
    head = b"head\r\nComponents\r\n"
    parts = b"Components\n\"R1\" \"10k\" \"0805\" \"\"\n)\n"
    board = head + b")\r\n"
    parens = b")" * 3000
    noise = bytes(rng.randrange(256) for _ in range(6000)).replace(b"\x1a", b"\x00")
    p = [b"Components\n"]
    b = [head]
    for i in range(2000):
        n = b"%d" % i
        p.append(b"\"P" + n + b"\" \"v" + n + b"\" \"s" + n + b"\" \"\"\n")
        if i % 5 == 0:
            b.append(b"    (\"P" + n + b"\" 10 20 0 2 0 0)\r\n    (\"a\" 1 2 3 4 5 6)\r\n"
                     b"    (\"b\" 1 2 3)\r\n")
    p.append(b")\n")
    b.append(b")\r\n")
    cases = {
        "long_line": (parts, head + b")\r\n" + b"z" * 20000),
        "quotes": (b"Components\n" + b"\"" * 3001 + b"\n)\n", board),
        "parens": (parts, head + b"    (\"R1\" 1 2 0 6 0 0)\r\n    (\"v\" " + parens +
                   b"\r\n    (\"s\" 1 2 3)\r\n    (\"R9\" " + parens + b"\r\na\r\nb\r\n)\r\n"),
        "empty_lines_parts": (b"Components\n" + b"\r\n" * 3000 + b")\n", board),
        "empty_lines_board": (parts, head + b"\r\n" * 3000 + b")\r\n"),
        "nul_high_bytes": (b"Components\n" + noise, head + b"    (\"" + noise),
        "parts_2000": (b"".join(p), b"".join(b)),
    }
    for name, (pn, pc) in cases.items():
        w.case("hostile", name, {"in.pnl": pn, "in.pcb": pc})


# --- the end-to-end and model shapes ------------------------------------------

def shapes(w):
    def case(name, parts, board, args=("in", "out"), **kw):
        files = {}
        if parts is not None:
            files["in.pnl"] = parts
        if board is not None:
            files["in.pcb"] = board
        w.case("shapes", name, files, args, **kw)

    stray_cr = lf(BOARD).replace(b"HEAD", b"HE\rAD").replace(b"Nets", b"Ne\rts")
    for args in (["in", "out"], ["in", "out", "x"], ["in", "out", "0"],
                 ["in", "out", "x", "y"]):
        case("e2e_args%d%s" % (len(args), args[2] if len(args) == 3 else ""),
             PARTS, BOARD, args)
    case("crlf", PARTS, BOARD)
    case("lf", lf(PARTS), lf(BOARD))
    case("lf_stray_cr", lf(PARTS), stray_cr)
    case("lone_cr", b"x\rComponents\r\"R1\" \"1\"\r)\r", b"Components\r\n")
    case("lone_cr_both", lf(PARTS, b"\r"), lf(BOARD, b"\r"))
    case("mixed_ends", PARTS.replace(b"\r\n", b"\n", 2), BOARD.replace(b"\r\n", b"\r", 3))
    case("no_section_parts", b"no section here\r\n\"R1\" \"1\"\r\n", BOARD)
    case("parts_components_last", b"head\r\nComponents\r\n", BOARD)
    case("parts_components_only", b"Components", BOARD)
    case("board_components_last", PARTS, b"HEAD\r\nComponents\r\n")
    case("board_components_only", PARTS, b"Components")
    case("board_no_section_300", PARTS,
         b"".join(b"head line %d\r\n" % i for i in range(26)))
    case("empty_files", b"", b"")
    case("byte26_board", PARTS, b"Components\r\n    (\"Q9\" 1 2 3 4 5 6)\r\nla\x1a"
         b"bel\r\nnever read\r\n)\r\ntail\r\n")
    case("byte26_parts", PARTS.replace(b"\"C1 ", b"\x1a\"C1 "), BOARD)
    case("byte26_first", b"\x1aComponents\r\n", BOARD)
    case("end_inside_section", PARTS,
         b"Components\r\n    (\"R1\" 150 200 0 2 0 0)\r\n    (\"v\" 9 9 9 9 9 9)")
    case("entry_last_line", PARTS, b"Components\r\n    (\"R1\" 150 200 0 2 0 0)\r\n")
    case("no_final_line_end", PARTS[:-2], BOARD[:-2])
    case("section_ends_at_eof", PARTS[:PARTS.rindex(b")")], BOARD[:BOARD.rindex(b")")])
    w.case("shapes", "double_extension", {"in.pnl.pnl": PARTS, "in.pnl.pcb": BOARD},
           ["in.pnl", "out"])
    case("empty_lines", PARTS.replace(b"\"C1", b"\r\n\r\n\"C1"),
         BOARD.replace(b"    (\"Q9\" 10", b"\r\n\n    (\"Q9\" 10"))
    case("closing_variants", PARTS.replace(b")\r\n", b" )\r\n)rest\r\n"),
         BOARD.replace(b")\r\n\r\n", b" )\r\n)x\r\n\r\n"))
    case("components_inside_line", b"xxComponentsyy\r\n\"R1\" \"a\" \"b\" \"\"\r\n)\r\n",
         b"the Components here\r\n    (\"R1\" 1 2 3 4 5 6)\r\na\r\nb\r\n)\r\n")
    case("lower_case_section", b"components\r\n)\r\n", BOARD)
    # Long lines, over one buffer and over a thousand bytes, everywhere.
    for n in (129, 255, 1000, 1500):
        text = b"t" * n
        case("long_%d" % n,
             PARTS.replace(b"\"10k\"", b"\"" + text + b" \"") + b"x" * n + b"\r\n",
             BOARD.replace(b"HEAD", b"H" * n).replace(b"  ; comment", b";" * n)
             .replace(b"\"old\"", b"\"" + text + b"\"").replace(b"\tEnd", b" " * n + b"End"))
    case("long_text_over_72", b"Components\r\n\"" + b"n" * 80 + b" \" \"" + b"v" * 71 +
         b" \" \"" + b"s" * 73 + b"\" \"" + b"f" * 72 + b" \"\r\n)\r\n",
         b"Components\r\n    (\"" + b"n" * 72 + b"\" 1 2 3 4 5 6)\r\na 1 2\r\nb 3 4\r\n)\r\n")
    case("positions_over_255",
         b"Components\r\n" + b" " * 300 + b"\"R1\"" + b" " * 200 + b"\"v\" \"s\" \"\"\r\n)\r\n",
         b"Components\r\n" + b"x" * 260 + b"    (\"R1\" 1 2 3 4 5 6)\r\n    (\"old\"" +
         b" " * 250 + b"7 8 9)\r\n    (\"o\" 1" + b" " * 300 + b"2)\r\n)\r\n")
    case("numbers", PARTS,
         b"Components\r\n    (\"R1\" 1 2 3 4 5 6 7 8 9)\r\n    (\"v\" -5 +6 99999999999 "
         b"12abc 0x10 -)\r\n    (\"s\" - -- 2147483648 -2147483649)\r\n"
         b"    (\"U1\" 1 2 3 4 5 6 7)\r\n    (\"v\" 1 2 3 4 5 6 7)\r\n    (\"s\")\r\n)\r\n")
    case("nul_high_bytes",
         b"Components\r\n\"R\x001\" \"\xff\xfe\x80\" \"\x00\" \"\"\r\n\"\xe9\" \"\x7f\" \"x\" \"\xa0\"\r\n)\r\n",
         b"HE\x00AD\r\nComponents\r\n    (\"R\x001\" 1 2 3 4 5 6)\r\n    (\"\xff\" 1\x002 3)\r\n"
         b"    (\"\x80\" 1 2)\r\n    (\"\xe9\" 9 9 9 9 9 9)\r\n\xff\r\n\x00\r\n)\r\n\x00tail\xff\r\n")
    # CR as byte 128 (LF opens the next buffer), LF as byte 128, CR or byte
    # 26 as byte 128 with no LF after it, in each file and section.
    pre_p = b"Components\r\n"
    pre_b = b"Components\r\n"
    for k in (128, 256, 384):
        case("cr_at_%d_parts" % k,
             crlf_at(pre_p, b"\"R1\" \"", b"v", b"\" \"s\" \"\"", k) + b")\r\n", BOARD)
        case("cr_at_%d_board_entry" % k, PARTS,
             crlf_at(pre_b, b"    (\"R1\" 1 2 3 4 5 6", b" ", b")", k) +
             b"    (\"v\" 1 2)\r\n    (\"s\" 3 4)\r\n)\r\n")
        case("cr_at_%d_board_label" % k, PARTS,
             crlf_at(pre_b + b"    (\"R1\" 1 2 3 4 5 6)\r\n", b"    (\"v\" 1 2", b" ", b")", k) +
             b"    (\"s\" 3 4)\r\n)\r\n")
        case("cr_at_%d_head_and_tail" % k, crlf_at(b"", b"head", b"h", b"", k) + PARTS,
             crlf_at(b"", b"head", b"h", b"", k) + b"Components\r\n)\r\n" +
             crlf_at(b"", b"   tail", b"t", b"", k))
    line127 = b"Components\r\n" + b"\"R1\" \"" + b"v" * 105 + b"\" \"\""  # 127 bytes
    assert len(line127) == 127
    case("lf_at_128", line127 + b"\n)\r\n", BOARD)
    case("lone_cr_at_128", line127 + b"\rx\r\n)\r\n", BOARD)
    case("byte26_at_128", line127 + b"\x1a\r\n)\r\n", BOARD)
    case("byte26_at_129", line127 + b"\r\x1a\n)\r\n", BOARD)
    case("board_exact_128", PARTS, b"Components\r\n" + b"x" * 112 + b"\r\n)\r\n")
    case("missing_board", PARTS, None)
    # A few of the shapes on a terminal, where every mark is pushed at once.
    for name in ("crlf", "lone_cr", "no_section_parts", "long_1000", "numbers",
                 "board_no_section_300"):
        src = next(e for e in w.entries if e["group"] == "shapes" and e["name"] == name)
        d = os.path.join(w.out, src["dir"])
        files = {n: open(os.path.join(d, n), "rb").read() for n in os.listdir(d)}
        w.case("shapes", name + "-tty", files, src["args"], console="pty")


# --- seeded random parts lists and boards -------------------------------------

NAMES = [b"R1", b"R2", b"C1", b"U1", b"Q9", b"", b"R1 ", b"X"]
TOKENS = [b"\"", b" ", b" ", b")", b"(", b"0", b"7", b"12", b"-", b"\r", b"\n",
          b"\r\n", b"\r\n", b"Components", b"    (\"", b"R1", b"C1", b"a", b"\t"]


def random_tokens(rng, n):
    out = []
    for _ in range(n):
        out.append(b"\x1a" if rng.random() < 0.004 else rng.choice(TOKENS))
    return b"".join(out)


def model_data(rng):
    """Bytes of the kind the line-rule model test reads: text, blanks,
    brackets, quotes, every kind of line end, control bytes, a rare 26."""
    alphabet = b"abcdefgh    ()\"\r\n\r\n\n\r\t\x01"
    return bytes(26 if rng.random() < 0.001 else rng.choice(alphabet)
                 for _ in range(rng.randrange(0, 700)))


def random_number(rng):
    r = rng.random()
    if r < 0.7:
        return b"%d" % rng.randrange(0, 5000)
    if r < 0.85:
        return b"-%d" % rng.randrange(0, 300)
    return rng.choice([b"", b"-", b"x", b"99999999999", b"1a"])


def random_parts(rng, end):
    lines = [random_tokens(rng, rng.randrange(0, 6)) for _ in range(rng.randrange(0, 3))]
    if rng.random() < 0.9:
        lines.append(rng.choice([b"Components", b"(Components", b"Components x"]))
    for _ in range(rng.randrange(0, 12)):
        r = rng.random()
        if r < 0.6:
            texts = [rng.choice(NAMES), random_tokens(rng, rng.randrange(0, 3)),
                     b"s" * rng.choice([0, 1, 3, 80]), rng.choice([b"", b"", b"f "])]
            line = b" ".join(b"\"" + t + b"\"" for t in texts[:rng.randrange(1, 5)])
            if rng.random() < 0.2:
                line = random_tokens(rng, 3) + line + random_tokens(rng, 3)
        elif r < 0.75:
            line = b""
        else:
            line = random_tokens(rng, rng.randrange(0, 10))
        lines.append(line)
    if rng.random() < 0.8:
        lines.append(b")" + random_tokens(rng, rng.randrange(0, 2)))
    lines += [random_tokens(rng, 4) for _ in range(rng.randrange(0, 3))]
    return join_lines(rng, lines, end)


def random_board(rng, end):
    lines = [random_tokens(rng, rng.randrange(0, 6)) for _ in range(rng.randrange(0, 3))]
    if rng.random() < 0.9:
        lines.append(rng.choice([b"Components", b"(Components", b"xComponents"]))
    for _ in range(rng.randrange(0, 8)):
        r = rng.random()
        if r < 0.6:
            nums = b" ".join(random_number(rng) for _ in range(rng.randrange(0, 9)))
            lines.append(b"    (\"" + rng.choice(NAMES) + b"\" " + nums + b")")
            for _ in range(rng.choice([2, 2, 2, 1, 0])):
                nums = b" ".join(random_number(rng) for _ in range(rng.randrange(0, 8)))
                lines.append(rng.choice([b"    (\"old\" ", b"    (\"", b"  "]) + nums +
                             rng.choice([b")", b"", b"))"]))
        elif r < 0.75:
            lines.append(b"")
        else:
            lines.append(random_tokens(rng, rng.randrange(0, 10)))
    if rng.random() < 0.85:
        lines.append(b")" + random_tokens(rng, rng.randrange(0, 2)))
    lines += [rng.choice([b"", b"   x", b"\t y ", random_tokens(rng, 4)])
              for _ in range(rng.randrange(0, 4))]
    return join_lines(rng, lines, end)


def join_lines(rng, lines, end):
    out = b""
    for line in lines:
        if rng.random() < 0.03:  # a line over a whole buffer
            line += b"L" * rng.randrange(120, 400)
        out += line + (end if rng.random() < 0.9 else rng.choice([b"\r\n", b"\n", b"\r"]))
    if rng.random() < 0.3:
        out = out.rstrip(b"\r\n")
    return out


def random_cases(w, count, seed):
    rng = random.Random(seed)
    for i in range(count):
        end = rng.choice([b"\r\n", b"\r\n", b"\n", b"\r"])
        if i % 4 == 3:
            parts = b"Components\r\n" + model_data(rng)
            board = b"Components\r\n" + model_data(rng)
        else:
            parts, board = random_parts(rng, end), random_board(rng, end)
        files = {"in.pnl": parts}
        if rng.random() > 0.03:
            files["in.pcb"] = board
        args = rng.choice([["in", "out"], ["in", "out"], ["in", "out", "x"],
                           ["in", "out", "x", "y"]])
        console = "pty" if i % 8 == 7 else "file"
        w.case("random", "r%03d" % i, files, args, console)


# --- the benchmark boards ---------------------------------------------------

def bench(w, sizes, python):
    gen = os.path.join(ROOT, "bench", "generate.py")
    for n in sizes:
        name = "b%d" % n
        w.case("bench", name, {})
        d = os.path.join(w.out, w.entries[-1]["dir"])
        subprocess.run([python, gen, "board", str(n), os.path.join(d, name + ".pcb")], check=True)
        subprocess.run([python, gen, "parts", str(n), os.path.join(d, name + ".pnl"),
                        "--share", "0.9"], check=True)
        w.entries[-1]["args"] = [name, "out"]
        if n <= 1000:
            for suffix, args, console in (("-keep", [name, "out", "x"], "file"),
                                          ("-tty", [name, "out"], "pty")):
                files = {f: open(os.path.join(d, f), "rb").read() for f in os.listdir(d)}
                w.case("bench", name + suffix, files, args, console)


# --- failure scenarios ------------------------------------------------------

def failures(w):
    demo = demo_files()
    many = many_files()
    f = lambda name, files, args=("demo", "out"), **kw: w.case("failures", name, files, args, **kw)
    f("missing_pnl", {"demo.pcb": demo["demo.pcb"]})
    f("missing_pcb", {"demo.pnl": demo["demo.pnl"]})
    f("missing_folder", demo, ["demo", "no-such-folder/out"])
    f("folder_is_a_file", demo, ["demo", "demo.pnl/out"])
    f("output_is_a_folder", demo, folders=["out.pcb"])
    f("output_is_input_by_name", demo, ["demo", "demo"])
    f("output_is_input_by_symlink", demo, ["demo", "link"], symlinks=[("link.pcb", "demo.pcb")])
    f("output_is_parts_by_symlink", demo, ["demo", "link", "x"], symlinks=[("link.pcb", "demo.pnl")])
    f("output_is_parts_by_hard_link", demo, ["demo", "partslink"],
      links=[["demo.pnl", "partslink.pcb"]])
    f("no_components_pnl", {"demo.pnl": demo["demo.pnl"].replace(b"Components", b"Elements"),
                            "demo.pcb": demo["demo.pcb"]})
    f("no_components_pcb", {"demo.pnl": demo["demo.pnl"],
                            "demo.pcb": demo["demo.pcb"].replace(b"Components", b"Elements")})
    f("no_components_either", {"demo.pnl": b"nothing\r\n", "demo.pcb": b"nothing\r\n"})
    f("components_last_line_pnl", {"demo.pnl": b"head\r\nComponents", "demo.pcb": demo["demo.pcb"]})
    f("components_last_line_pcb", {"demo.pnl": demo["demo.pnl"],
                                   "demo.pcb": b"x" * 200 + b"\r\nComponents\r\n"})
    for console in ("null", "pipe", "full", "pipe-closed", "pipe-head1", "pty"):
        f("console_" + console, demo, console=console)
        f("many_console_" + console, many, ["in", "out"], console=console)
    f("console_pipe_keep", demo, ["demo", "out", "x"], console="pipe")
    f("console_pty_keep", demo, ["demo", "out", "x"], console="pty")
    f("usage_pty", demo, [], console="pty")
    f("usage_pipe_closed", demo, [], console="pipe-closed")
    f("usage_full", demo, [], console="full")
    f("missing_pnl_pty", {"demo.pcb": demo["demo.pcb"]}, console="pty")
    f("missing_pcb_pipe", {"demo.pnl": demo["demo.pnl"]}, console="pipe")
    f("no_components_pcb_pty", {"demo.pnl": demo["demo.pnl"],
                                "demo.pcb": demo["demo.pcb"].replace(b"Components", b"Elements")},
      console="pty")
    f("output_dev_full", demo, symlinks=[("out.pcb", "/dev/full")])
    f("output_dev_full_many", many, ["in", "out"], symlinks=[("out.pcb", "/dev/full")])
    f("output_dev_null", demo, symlinks=[("out.pcb", "/dev/null")])
    f("output_dev_full_pty", demo, console="pty", symlinks=[("out.pcb", "/dev/full")])
    f("file_size_limit", demo, console="pipe", limits={"fsize": 300})
    f("file_size_limit_many", many, ["in", "out"], console="pipe", limits={"fsize": 4096})
    f("open_files_limit", demo, limits={"nofile": 4})


# --- fault injection ----------------------------------------------------------

def inject(w):
    demo = demo_files()
    small = {"in.pnl": PARTS, "in.pcb": BOARD.replace(b"HEAD", b"H" * 300)}
    plan = [("read", "EIO"), ("write", "ENOSPC"), ("openat", "EACCES"), ("close", "EIO")]
    for call, error in plan:
        w.case("inject", "demo-%s" % call, demo, ["demo", "out"],
               inject={"call": call, "error": error})
    for call, error in plan[:2]:
        w.case("inject", "demo-tty-%s" % call, demo, ["demo", "out"], console="pty",
               inject={"call": call, "error": error})
        w.case("inject", "small-keep-pipe-%s" % call, small, ["in", "out", "x"],
               console="pipe", inject={"call": call, "error": error})


GROUPS = ["examples", "fuzz", "hostile", "shapes", "random", "bench", "failures", "inject"]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("out")
    ap.add_argument("--random", type=int, default=300)
    ap.add_argument("--seed", type=int, default=16)
    ap.add_argument("--bench", default="1000,10000")
    ap.add_argument("--groups", default=",".join(GROUPS))
    ap.add_argument("--no-pty", action="store_true", help="leave out the runs on a terminal")
    a = ap.parse_args()
    groups = set(a.groups.split(","))
    unknown = groups - set(GROUPS)
    if unknown:
        sys.exit("unknown groups: %s (known: %s)" % (" ".join(sorted(unknown)), " ".join(GROUPS)))
    os.makedirs(a.out, exist_ok=True)
    w = Writer(a.out, groups, not a.no_pty)
    makers = {"examples": examples, "fuzz": fuzz, "hostile": hostile, "shapes": shapes,
              "random": lambda w: random_cases(w, a.random, a.seed),
              "bench": lambda w: bench(w, [int(n) for n in a.bench.split(",") if n],
                                       sys.executable),
              "failures": failures, "inject": inject}
    for group in GROUPS:
        if group in groups:
            makers[group](w)
    w.save()
    print("%d cases in %s" % (len(w.entries), a.out))


if __name__ == "__main__":
    main()
