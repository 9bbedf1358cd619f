#!/usr/bin/env python3
"""Prints the benchmark table from hyperfine's JSON files (see run.sh)."""
import json
import os
import sys

results, data, sizes, lists, list_board = sys.argv[1:6]
sizes = [int(s) for s in sizes.split()]
lists = [int(s) for s in lists.split()]


def load(name):
    with open(os.path.join(results, name + ".json")) as f:
        return json.load(f)["results"]


def medians(name):
    """Median wall-clock seconds by command."""
    return {r["command"]: r["median"] for r in load(name)}


def cpu(name):
    """Mean processor seconds (user + system) by command: less disturbed
    than wall-clock time when other work shares the processors."""
    return {r["command"]: r["user"] + r["system"] for r in load(name)}


def rss_mb(name):
    try:
        with open(os.path.join(results, name + ".rss")) as f:
            return int(f.read().split()[-1]) / 1024
    except (OSError, ValueError, IndexError):
        return float("nan")


def size(name):
    return os.path.getsize(os.path.join(data, name))


def budget_mb(list_name):
    """The peak memory allowed: 4 MB plus 1.5 times the parts list's size."""
    return 4 + 1.5 * size(list_name) / (1 << 20)


start = medians("start")["relabel"]
start_cpu = cpu("start")["relabel"]
ms = lambda s: "%.1f" % (s * 1000)
print()
print("relabel start-up (no arguments): %s ms" % ms(start))
print()
print("Boards (parts list: 90% of the components)")
head = ("components", "input MB", "relabel ms", "dd ms", "dd both ms", "cat ms",
        "peer ms", "rel/dd", "rel/dd both", "peer/rel", "CPU rel/dd", "CPU rel/dd both",
        "CPU peer/rel", "rel ns/B", "dd ns/B", "rel CPU ns/B", "RSS MB", "RSS budget MB",
        "RSS, 1k list")
print("| " + " | ".join(head) + " |")
print("|" + "---|" * len(head))
per_byte = []
per_byte_cpu = []
for n in sizes:
    m = medians("board%d" % n)
    c = cpu("board%d" % n)
    board, parts = size("b%d.pcb" % n), size("b%d.pnl" % n)
    rel_b = (m["relabel"] - start) / (board + parts) * 1e9
    dd_b = (m["dd"] - start) / board * 1e9
    rel_cpu_b = (c["relabel"] - start_cpu) / (board + parts) * 1e9
    per_byte.append(rel_b)
    per_byte_cpu.append(rel_cpu_b)
    print("| %d | %.1f | %s | %s | %s | %s | %s | %.2f | %.2f | %.1f | %.2f | %.2f | %.1f | %.1f | %.1f | %.1f | %.1f | %.1f | %.1f |" % (
        n, (board + parts) / 1e6, ms(m["relabel"]), ms(m["dd"]), ms(m["dd2"]),
        ms(m["cat"]), ms(m["peer"]), m["relabel"] / m["dd"], m["relabel"] / m["dd2"],
        m["peer"] / m["relabel"], c["relabel"] / c["dd"], c["relabel"] / c["dd2"],
        c["peer"] / c["relabel"], rel_b, dd_b, rel_cpu_b, rss_mb("board%d" % n), budget_mb("b%d.pnl" % n),
        rss_mb("mem%d" % n)))
if "base" in medians("board%d" % sizes[0]):
    print()
    print("Against the base build (BASE), in the same hyperfine runs")
    head = ("components", "base ms", "relabel ms", "base/dd both", "rel/dd both",
            "CPU base/dd both", "CPU rel/dd both", "dd both ns/B")
    print("| " + " | ".join(head) + " |")
    print("|" + "---|" * len(head))
    for n in sizes:
        m, c = medians("board%d" % n), cpu("board%d" % n)
        both = size("b%d.pcb" % n) + size("b%d.pnl" % n)
        print("| %d | %s | %s | %.2f | %.2f | %.2f | %.2f | %.1f |" % (
            n, ms(m["base"]), ms(m["relabel"]), m["base"] / m["dd2"], m["relabel"] / m["dd2"],
            c["base"] / c["dd2"], c["relabel"] / c["dd2"], (m["dd2"] - start) / both * 1e9))
print()
print("Parts lists (board of %d components; the same 900 entries match)" % int(list_board))
head = ("entries", "list MB", "relabel ms", "list read ms", "conversion ms",
        "change", "CPU conversion ms", "CPU change", "RSS MB", "RSS budget MB")
print("| " + " | ".join(head) + " |")
print("|" + "---|" * len(head))
first = first_cpu = None
changes = []
cpu_changes = []
for n in lists:
    m = medians("list%d" % n)
    c = cpu("list%d" % n)
    conv = m["relabel"] - m["read"]
    conv_cpu = c["relabel"] - c["read"]
    first = conv if first is None else first
    first_cpu = conv_cpu if first_cpu is None else first_cpu
    changes.append(conv / first - 1)
    cpu_changes.append(conv_cpu / first_cpu - 1)
    print("| %d | %.1f | %s | %s | %s | %+.1f%% | %s | %+.1f%% | %.1f | %.1f |" % (
        n, size("q%d.pnl" % n) / 1e6, ms(m["relabel"]), ms(m["read"]), ms(conv),
        100 * changes[-1], ms(conv_cpu), 100 * cpu_changes[-1], rss_mb("list%d" % n),
        budget_mb("q%d.pnl" % n)))
print()
print("Targets:")
for n in sizes:
    if n < 100000 and n != sizes[-1]:
        continue
    m, c = medians("board%d" % n), cpu("board%d" % n)
    print("- board of %d: relabel / dd of both inputs = %.2f wall clock, %.2f processor "
          "time (target <= 1.15); relabel / dd of the board = %.2f, %.2f; peer / relabel "
          "= %.1f, %.1f (target >= 10)" % (
              n, m["relabel"] / m["dd2"], c["relabel"] / c["dd2"], m["relabel"] / m["dd"],
              c["relabel"] / c["dd"], m["peer"] / m["relabel"], c["peer"] / c["relabel"]))
over = [n for n in sizes if rss_mb("board%d" % n) > budget_mb("b%d.pnl" % n)]
over += ["list %d" % n for n in lists if rss_mb("list%d" % n) > budget_mb("q%d.pnl" % n)]
print("- peak memory within 4 MB + 1.5 x the parts list: %s" % (
    "every row" if not over else "exceeded by " + ", ".join(str(o) for o in over)))
print("- parts list %d -> %d entries: conversion time changes by %+.1f%% wall "
      "clock, %+.1f%% processor time (target within 10%%)" % (
          lists[0], lists[-1], 100 * changes[-1], 100 * cpu_changes[-1]))
print("- relabel time per input byte, start-up excluded, from %d to %d components: "
      "%s ns wall clock, %s ns processor time" % (
          sizes[0], sizes[-1], " / ".join("%.1f" % v for v in per_byte),
          " / ".join("%.1f" % v for v in per_byte_cpu)))
print("- peak RSS with a 1k list: %.1f MB (%d components) to %.1f MB (%d); "
      "with lists of %d to %d entries: %.1f to %.1f MB" % (
          rss_mb("mem%d" % sizes[0]), sizes[0], rss_mb("mem%d" % sizes[-1]), sizes[-1],
          lists[0], lists[-1], rss_mb("list%d" % lists[0]), rss_mb("list%d" % lists[-1])))
