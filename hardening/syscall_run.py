#!/usr/bin/env python3
"""Runs the cases written by syscall_cases.py under strace, and compares the
results of two builds. Used by hardening/syscalls.sh.

  syscall_run.py run CASES EXE RESULTS [-j N] [--timeout S]
  syscall_run.py compare CASES RESULTS_A RESULTS_B

`run` copies each case's folder afresh into RESULTS/<group>/<run>/dir, runs
EXE there under `strace -e trace=openat,read,write,close,flock -s 256 -x` with the
console the case asks for, and keeps the trace, the console bytes, the
standard error bytes and the exit code beside the folder. A case with
`inject` is first run plainly to count the program's calls of that kind;
then once per call, failing that call alone, and once past the last one.

`compare` checks, run by run: the exit code; the trace from the program's
first call on, without its file locks, which are only counted (the dynamic
loader's calls before it are compared apart and only reported); the console
and standard error bytes; every file of the folder. Masked before comparing,
as they differ from build to build or from run to run: the eight hex digits
of the code position in a failure report ("... in module NAME at XXXXXXXX."
and "Runtime error N at XXXXXXXX"), the buffer address strace prints for a
failed read, and the process id in the signal lines.
"""
import argparse
import concurrent.futures
import difflib
import fcntl
import json
import os
import re
import shlex
import shutil
import signal
import subprocess
import sys
import termios
import time

TRACE = ["strace", "-e", "trace=openat,read,write,close,flock", "-s", "256", "-x"]
F_SETPIPE_SZ = getattr(fcntl, "F_SETPIPE_SZ", 1031)
F_GETPIPE_SZ = getattr(fcntl, "F_GETPIPE_SZ", 1032)


def load_manifest(cases):
    with open(os.path.join(cases, "manifest.jsonl")) as f:
        return [json.loads(line) for line in f]


# --- running ----------------------------------------------------------------

def head1_reader(proc, r, timeout):
    """Reads nothing until the pipe is full (the program then waits on its
    next piece), or until the program ends; then takes one byte and closes
    the pipe, as `head -c 1` would, but at a point that does not depend on
    timing."""
    capacity = fcntl.fcntl(r, F_GETPIPE_SZ)
    buf = bytearray(4)
    last, since, start = -1, time.monotonic(), time.monotonic()
    while time.monotonic() - start < timeout:
        fcntl.ioctl(r, termios.FIONREAD, buf)
        n = int.from_bytes(buf, sys.byteorder)
        if n >= capacity or proc.poll() is not None:
            break
        now = time.monotonic()
        if n != last:
            last, since = n, now
        elif n > 0 and now - since > 2.0:
            break  # a piece that does not fit what is left of the pipe
        time.sleep(0.002)
    os.set_blocking(r, False)
    try:
        data = os.read(r, 1)
    except BlockingIOError:
        data = b""
    os.close(r)
    return data


def execute(entry, cmd, cwd, timeout):
    """Runs `cmd` with the console of the case; returns (code, console, stderr)."""
    console = entry["console"]
    env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LC_ALL": "C",
           "SHELL": "/bin/sh", "TERM": "dumb"}
    kw = dict(cwd=cwd, env=env, stdin=subprocess.DEVNULL, stderr=subprocess.PIPE,
              start_new_session=True)
    out = b""
    closers = []
    if console == "pty":
        cmd = ["script", "-qec", shlex.join(cmd), "/dev/null"]
        kw["stdout"] = subprocess.PIPE
    elif console == "pipe":
        kw["stdout"] = subprocess.PIPE
    elif console in ("file", "null", "full"):
        path = {"file": os.path.join(cwd, "..", "console"), "null": "/dev/null",
                "full": "/dev/full"}[console]
        kw["stdout"] = open(path, "wb")
        closers.append(kw["stdout"])
    elif console in ("pipe-closed", "pipe-head1"):
        r, w = os.pipe()
        fcntl.fcntl(w, F_SETPIPE_SZ, 4096)
        if console == "pipe-closed":
            os.close(r)
        kw["stdout"] = w
    else:
        raise SystemExit("unknown console kind " + console)
    proc = subprocess.Popen(cmd, **kw)
    for c in closers:
        c.close()
    try:
        if console in ("pipe-closed", "pipe-head1"):
            os.close(w)
            if console == "pipe-head1":
                out = head1_reader(proc, r, timeout)
            err = proc.communicate(timeout=timeout)[1]
        else:
            out, err = proc.communicate(timeout=timeout)
            out = out or b""
        code = proc.returncode
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.communicate()
        code = "timeout"
        err = b""
    if console == "file":
        with open(os.path.join(cwd, "..", "console"), "rb") as f:
            out = f.read()
    return code, out, err


def run_one(cases, entry, exe, results, run_name, timeout, inject_when=None):
    base = os.path.join(results, entry["group"], run_name)
    shutil.rmtree(base, ignore_errors=True)
    os.makedirs(base)
    rundir = os.path.join(base, "dir")
    shutil.copytree(os.path.join(cases, entry["dir"]), rundir, symlinks=True)
    for existing, new in entry.get("links", []):
        os.link(os.path.join(rundir, existing), os.path.join(rundir, new))
    trace = os.path.join(base, "trace")
    cmd = TRACE + ["-o", trace]
    if inject_when is not None:
        inj = entry["inject"]
        cmd += ["-e", "inject=%s:error=%s:when=%d" % (inj["call"], inj["error"], inject_when)]
    limits = entry.get("limits")
    if limits:
        cmd += ["prlimit"] + ["--%s=%d:%d" % (k, v, v) for k, v in sorted(limits.items())] + ["--"]
    cmd += [exe] + entry["args"]
    code, out, err = execute(entry, cmd, rundir, timeout)
    with open(os.path.join(base, "console"), "wb") as f:
        f.write(out)
    with open(os.path.join(base, "stderr"), "wb") as f:
        f.write(err)
    rec = {"group": entry["group"], "name": run_name, "code": code}
    if inject_when is not None:
        rec["when"] = inject_when
    return rec


def run(args):
    entries = load_manifest(args.cases)
    exe = os.path.abspath(args.exe)
    os.makedirs(args.results, exist_ok=True)
    records = {}
    with concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        first = {}
        for i, e in enumerate(entries):
            name = e["name"] + (".clean" if "inject" in e else "")
            first[pool.submit(run_one, args.cases, e, exe, args.results, name,
                              args.timeout)] = i
        later = {}
        for fut in concurrent.futures.as_completed(first):
            i = first[fut]
            records[(i, 0)] = rec = fut.result()
            e = entries[i]
            if "inject" not in e:
                continue
            # The loader's calls come first; the program's k-th call of the
            # kind is number offset + k of the process.
            call = e["inject"]["call"]
            with open(os.path.join(args.results, e["group"], rec["name"], "trace"),
                      errors="replace") as f:
                loader, program = split_trace(f.read())
            offset = count_calls(loader, call)
            calls = count_calls(program, call)
            rec.update(offset=offset, calls=calls)
            for k in range(1, calls + 2):
                later[pool.submit(run_one, args.cases, e, exe, args.results,
                                  "%s.%d" % (e["name"], k), args.timeout,
                                  offset + k)] = (i, k)
        for fut in concurrent.futures.as_completed(later):
            records[later[fut]] = fut.result()
    with open(os.path.join(args.results, "runs.jsonl"), "w") as f:
        for key in sorted(records):
            f.write(json.dumps(records[key]) + "\n")


# --- comparing ----------------------------------------------------------------

PNL_OPEN = re.compile(r'^openat\(AT_FDCWD, "(?:[^"\\]|\\.)*\.pnl"')
LIB_OPEN = re.compile(r'^openat\([^"]*"(?:/etc/ld\.so\.cache|[^"]*\.so(?:\.[0-9]+)*)"')
MASKS = [
    (re.compile(r'(in module (?:[^ "\\]|\\.)* at )[0-9A-F]{8}(\.)'), r"\1XXXXXXXX\2"),
    (re.compile(r"(Runtime error +[0-9]+ at )[0-9A-F]{8,16}"), r"\1XXXXXXXX"),
    (re.compile(r"^(read\(\d+, )0x[0-9a-f]+"), r"\1ADDR"),
    (re.compile(r"si_pid=\d+"), "si_pid=PID"),
]
CONSOLE_MASKS = [
    (re.compile(rb"(in module [^ \r\n]* at )[0-9A-F]{8}(\.)"), rb"\1XXXXXXXX\2"),
    (re.compile(rb"(Runtime error +[0-9]+ at )[0-9A-F]{8,16}"), rb"\1XXXXXXXX"),
]


def split_trace(text):
    """(loader lines, program lines). The loader's part ends with the close
    of the last library it opened before the first open of a parts list."""
    lines = text.splitlines()
    stop = next((i for i, l in enumerate(lines) if PNL_OPEN.match(l)), len(lines))
    libs = [i for i in range(stop) if LIB_OPEN.match(lines[i])]
    end = 0
    if libs:
        end = libs[-1] + 1
        if "= -1" not in lines[libs[-1]]:
            end = next((i + 1 for i in range(end, stop) if lines[i].startswith("close(")), end)
    return lines[:end], lines[end:]


def count_calls(lines, call):
    return sum(1 for l in lines if l.startswith(call + "("))


def mask_line(line):
    for pattern, repl in MASKS:
        line = pattern.sub(repl, line)
    return line


def mask_console(data):
    for pattern, repl in CONSOLE_MASKS:
        data = pattern.sub(repl, data)
    return data


def snapshot(d):
    """Every entry under `d`: its kind and its bytes or link target."""
    out = {}
    for root, dirs, files in os.walk(d):
        for n in dirs + files:
            p = os.path.join(root, n)
            rel = os.path.relpath(p, d)
            if os.path.islink(p):
                out[rel] = ("link", os.readlink(p).encode())
                if n in dirs:
                    dirs.remove(n)
            elif os.path.isdir(p):
                out[rel] = ("folder", b"")
            else:
                with open(p, "rb") as f:
                    out[rel] = ("file", f.read())
    return out


def byte_lines(data):
    return [repr(l)[2:-1] for l in data.splitlines(keepends=True)]


def side(results, rec):
    base = os.path.join(results, rec["group"], rec["name"])
    with open(os.path.join(base, "trace"), errors="surrogateescape") as f:
        loader, program = split_trace(f.read())
    read = lambda n: open(os.path.join(base, n), "rb").read()
    # The whole-file locks a run takes on its files are counted, not
    # compared: a build that locks and one that does not make the same
    # reads and writes.
    locks = [l for l in program if l.startswith("flock(")]
    return {
        "code": rec["code"],
        "loader": loader,
        "locks": len(locks),
        "trace": [mask_line(l) for l in program if not l.startswith("flock(")],
        "console": mask_console(read("console")),
        "stderr": read("stderr"),
        "files": snapshot(os.path.join(base, "dir")),
    }


def differences(a, b):
    """[(aspect, diff lines)] for every aspect in which a and b differ."""
    out = []
    if "timeout" in (a["code"], b["code"]):
        out.append(("timeout", ["base: %s, new: %s" % (a["code"], b["code"])]))
    elif a["code"] != b["code"]:
        out.append(("exit code", ["-%s" % a["code"], "+%s" % b["code"]]))
    for aspect in ("trace", "console", "stderr"):
        if a[aspect] != b[aspect]:
            la, lb = (x[aspect] if aspect == "trace" else byte_lines(x[aspect]) for x in (a, b))
            out.append((aspect, list(difflib.unified_diff(la, lb, "base", "new", n=2,
                                                          lineterm=""))))
    if a["files"] != b["files"]:
        lines = []
        for name in sorted(set(a["files"]) | set(b["files"])):
            fa, fb = a["files"].get(name), b["files"].get(name)
            if fa == fb:
                continue
            if fa is None or fb is None or fa[0] != fb[0]:
                lines.append("%s: %s / %s" % (name, fa and fa[0], fb and fb[0]))
                continue
            lines += list(difflib.unified_diff(byte_lines(fa[1]), byte_lines(fb[1]),
                                               "base/" + name, "new/" + name, n=1,
                                               lineterm=""))
        out.append(("files", lines))
    return out


def load_runs(results):
    with open(os.path.join(results, "runs.jsonl")) as f:
        return [json.loads(line) for line in f]


def compare(args):
    runs_a, runs_b = load_runs(args.a), load_runs(args.b)
    by_b = {(r["group"], r["name"]): r for r in runs_b}
    seen_a = {(r["group"], r["name"]) for r in runs_a}
    groups = {}
    first = None
    loader_same = loader_runs = 0
    loader_shape = None
    locks = [0, 0]
    notes = []
    for ra in runs_a + [r for r in runs_b if (r["group"], r["name"]) not in seen_a]:
        key = (ra["group"], ra["name"])
        g = groups.setdefault(ra["group"], [0, 0, 0])
        g[0] += 1
        rb = by_b.get(key)
        if key not in seen_a or rb is None:
            g[2] += 1
            first = first or (key, [("runs", ["only in %s" % ("new" if rb else "base")])])
            continue
        if ra.get("calls") is not None:
            notes.append("  %s: %s %d program calls (base) / %d (new), loader %d / %d" % (
                ra["name"][:-len(".clean")], "each of", ra["calls"], rb.get("calls", -1),
                ra["offset"], rb.get("offset", -1)))
        a, b = side(args.a, ra), side(args.b, rb)
        loader_runs += 1
        if a["loader"] == b["loader"]:
            loader_same += 1
            if loader_shape is None:
                loader_shape = ", ".join("%d %s" % (count_calls(a["loader"], c), c)
                                         for c in ("openat", "read", "close", "write"))
        locks[0] += a["locks"]
        locks[1] += b["locks"]
        diff = differences(a, b)
        if diff:
            g[2] += 1
            first = first or (key, diff)
        else:
            g[1] += 1
    print("%-10s %6s %10s %10s" % ("group", "runs", "identical", "different"))
    for name, (n, same, diff) in groups.items():
        print("%-10s %6d %10d %10d" % (name, n, same, diff))
    if notes:
        print("fault injection, each call failed once in turn (and once past the last):")
        print("\n".join(notes))
    print("loader calls before the program's first call: identical in %d of %d runs (%s)"
          % (loader_same, loader_runs, loader_shape or "none"))
    print("file locks (flock), left out of the comparison: %d (base), %d (new)" % tuple(locks))
    total = sum(g[0] for g in groups.values())
    diff_total = sum(g[2] for g in groups.values())
    if first:
        (group, name), diff = first
        print("first difference: %s/%s in %s" % (group, name, ", ".join(a for a, _ in diff)))
        aspect, lines = diff[0]
        for line in lines[:args.diff_lines]:
            print("  " + (line if len(line) <= 200 else line[:200] + "..."))
        if len(lines) > args.diff_lines:
            print("  ... (%d more lines)" % (len(lines) - args.diff_lines))
        print("  (base: %s, new: %s)" % (os.path.join(args.a, group, name),
                                         os.path.join(args.b, group, name)))
    print("total: %d runs, %d identical, %d different" % (total, total - diff_total, diff_total))
    return 1 if diff_total else 0


def main():
    ap = argparse.ArgumentParser()
    sub = ap.add_subparsers(dest="command", required=True)
    r = sub.add_parser("run")
    r.add_argument("cases")
    r.add_argument("exe")
    r.add_argument("results")
    r.add_argument("-j", "--jobs", type=int, default=2)
    r.add_argument("--timeout", type=float, default=300)
    c = sub.add_parser("compare")
    c.add_argument("cases")
    c.add_argument("a")
    c.add_argument("b")
    c.add_argument("--diff-lines", type=int, default=30)
    args = ap.parse_args()
    if args.command == "run":
        run(args)
        return 0
    return compare(args)


if __name__ == "__main__":
    sys.exit(main())
