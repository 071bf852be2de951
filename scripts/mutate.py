#!/usr/bin/env python3
"""Plants small faults in the program's sources, one at a time, and runs the
tests against each: a comparison turned, a negation dropped, a step of one
made two, a call removed or a return value swapped. Prints each fault, whether a test caught it, and the score last.

    mutate.py BUILD [--seed N] [--count N] [--first N]

The faults are drawn, seeded, from app/, browse/ and default/. They are made
in a copy of the tracked sources in BUILD/mutate, built there and tested with
the tests that run the program's code: the test executable's groups first,
then, if they all pass, the seeded sessions, the end-to-end tests and the
fuzzers. A fault that does not build is left out of the score, and the next
one drawn is taken in its place, until COUNT have built; one that makes a test
hang counts as caught. --first goes on with a stopped run of the same seed.
"""
import argparse
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SOURCES = ("app", "browse", "default")
QUICK = "^(text|window|status|routing|servers|executable|browse|default|faults)$"
SLOW = "^(sessions-[0-3]|e2e|directory|network|fuzz)$"
TURNS = {"==": "!=", "!=": "==", "<=": ">", ">=": "<", "<": ">=", ">": "<=", "&&": "||", "||": "&&"}
RETURNS = {"true": "false", "false": "true", "1": "0", "0": "1", "TRUE": "FALSE", "FALSE": "TRUE"}


def blank_literals(line):
    """The line with comments, strings and characters blanked, columns kept."""
    out, i, quote = [], 0, None
    while i < len(line):
        c = line[i]
        if quote:
            if c == "\\":
                out.append("  ")
                i += 2
                continue
            if c == quote:
                quote = None
                out.append(c)
            else:
                out.append(" ")
        elif c in "\"'":
            quote = c
            out.append(c)
        elif line.startswith("//", i):
            break
        else:
            out.append(c)
        i += 1
    return "".join(out)[: len(line)].ljust(len(line))


def sites(path):
    """Every fault that can be planted in one file: (line, start, end, replacement, kind)."""
    found = []
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    for n, raw in enumerate(lines):
        code = blank_literals(raw)
        stripped = code.strip()
        if stripped.startswith("#") or stripped.startswith("*") or stripped.startswith("/*"):
            continue
        for m in re.finditer(r"==|!=|<=|>=|&&|\|\||(?<![<>\-])[<>](?![<>=])", code):
            op = m.group(0)
            # Angle brackets of templates, casts and includes are no comparison.
            if op in "<>" and re.search(r"(template|static_cast|const_cast|reinterpret_cast|decltype)\s*$",
                                        code[: m.start()]):
                continue
            if op in "<>" and re.match(r"[<>]\s*\w+\s*[*&]*\s*>", code[m.start():]):
                continue
            found.append((n, m.start(), m.end(), TURNS[op], "comparison turned"))
        # A negation dropped; a step of one made two.
        for m in re.finditer(r"!(?!=)", code):
            found.append((n, m.start(), m.end(), "", "negation dropped"))
        for m in re.finditer(r"([+-])\s*1\b(?!\.)", code):
            before = code[: m.start()]
            if not re.search(r"[\w)\]]\s*$", before) or re.search(r"\b(return|case)\s*$", before):
                continue  # a sign, not a step
            found.append((n, m.start(), m.end(), m.group(1) + " 2", "step of one made two"))
        m = re.match(r"^(\s*)(return\s+)(true|false|TRUE|FALSE|0|1)\s*;", code)
        if m:
            start = m.start(3)
            found.append((n, start, m.end(3), RETURNS[m.group(3)], "return value swapped"))
        # A statement that is one call, whole on its line.
        m = re.match(r"^(\s*)([A-Za-z_][\w:]*(\.|->)?[\w]*)\s*\((.*)\)\s*;\s*$", code)
        if m and m.group(2) not in ("return", "if", "while", "for", "switch", "sizeof", "delete") and \
                code.count("(") == code.count(")") and "=" not in code.split("(")[0]:
            found.append((n, m.start(2), len(raw.rstrip()), "(void)0;", "call removed"))
    return lines, found


def run(cmd, cwd=None, timeout=None, env=None):
    try:
        p = subprocess.run(cmd, cwd=cwd, timeout=timeout, env=env, stdout=subprocess.PIPE,
                           stderr=subprocess.STDOUT, text=True, errors="replace")
        return p.returncode, p.stdout
    except subprocess.TimeoutExpired as e:
        return None, (e.stdout or b"").decode(errors="replace") if isinstance(e.stdout, bytes) else (e.stdout or "")


def failed_tests(log):
    return sorted(set(re.findall(r"^\s*\d+ - (\S+) \((?:Failed|Timeout|SEGFAULT|Exception|Not Run)", log, re.M)))


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("build")
    ap.add_argument("--seed", type=int, default=int(os.environ.get("MUTATE_SEED", "1")))
    ap.add_argument("--count", type=int, default=int(os.environ.get("MUTATE_COUNT", "40")))
    ap.add_argument("--first", type=int, default=1, help="the first of the draw to plant")
    args = ap.parse_args()
    # Stopped, it puts the source of the fault under test back first.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("stopped"))

    # A display of its own, once.
    if not os.environ.get("ZELVANE_ON_XVFB"):
        os.environ["ZELVANE_ON_XVFB"] = "1"
        os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1024x768x24 -nolisten tcp",
                               sys.executable] + sys.argv)

    build = os.path.abspath(args.build)
    work = os.path.join(build, "mutate")
    src = os.path.join(work, "src")
    tree = os.path.join(src, "build")
    files = subprocess.run(["git", "ls-files"], cwd=ROOT, stdout=subprocess.PIPE, text=True,
                           check=True).stdout.split("\n")
    os.makedirs(src, exist_ok=True)
    for f in filter(None, files):
        dest = os.path.join(src, f)
        os.makedirs(os.path.dirname(dest), exist_ok=True)
        if not os.path.exists(dest) or open(os.path.join(ROOT, f), "rb").read() != open(dest, "rb").read():
            shutil.copy(os.path.join(ROOT, f), dest)  # now, so that a build after a stopped run sees it

    # Every site, then a seeded sample of them.
    catalogue = []
    for d in SOURCES:
        for name in sorted(os.listdir(os.path.join(src, d))):
            if name.endswith(".cpp"):
                rel = f"{d}/{name}"
                catalogue += [(rel,) + s for s in sites(os.path.join(src, rel))[1]]
    rng = random.Random(args.seed)
    # Twice as many drawn after FIRST, for those that don't build; from a
    # catalogue this large, a draw's first N are those of a draw of N alone.
    sample = rng.sample(catalogue, min(args.first - 1 + 2 * args.count, len(catalogue)))
    print(f"{args.count} of {len(catalogue)} faults that build, seed {args.seed} (--seed N --count N choose others)",
          flush=True)

    env = dict(os.environ, WINEARCH="win64", WINEDEBUG="-all", ZELVANE_SEED=str(args.seed),
               WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d")
    rc, out = run(["cmake", "--preset", "mingw", "-B", tree, "--no-warn-unused-cli"], cwd=src)
    if rc != 0:
        sys.exit("the copy does not configure:\n" + out)
    targets = ["--target", "zelvane", "zelvane_tests", "e2e_driver"]
    rc, out = run(["cmake", "--build", tree, "-j2"] + targets)
    if rc != 0:
        sys.exit("the copy does not build:\n" + out[-3000:])
    prefixes = f"""
        . "{src}/scripts/wine-env.sh" "{tree}"
        zelvane_prefix fresh; zelvane_managed N; wineserver -w
        rm -rf "$WINEPREFIX-2"; cp -a "$WINEPREFIX" "$WINEPREFIX-2"
        zelvane_wine_up; WINEPREFIX="$WINEPREFIX-2" zelvane_wine_up"""
    down = f"""
        . "{src}/scripts/wine-env.sh" "{tree}"
        zelvane_wine_down; WINEPREFIX="$WINEPREFIX-2" zelvane_wine_down"""
    run(["bash", "-c", prefixes], env=env)

    def tests():
        """None when every test passed, else what caught the fault."""
        for which in (QUICK, SLOW):
            rc, log = run(["ctest", "-j2", "-R", which], cwd=tree, timeout=400, env=env)
            if rc is None:
                run(["bash", "-c", down + "\n" + prefixes], env=env)
                return "a test hung"
            if rc != 0:
                return ", ".join(failed_tests(log)) or "ctest failed"
        return None

    start = time.time()
    if tests() is not None:
        sys.exit("the tests fail without any fault: nothing to measure")
    print(f"the tests pass on the sources as they are ({time.time() - start:.0f} s)", flush=True)

    caught = built = tried = 0
    survivors = []
    for i, (rel, n, a, b, repl, kind) in enumerate(sample, 1):
        if i < args.first:
            continue
        if built == args.count:
            break
        tried += 1
        path = os.path.join(src, rel)
        original = open(path, encoding="utf-8").read()
        lines = original.split("\n")
        line = lines[n]
        lines[n] = line[:a] + repl + line[b:]
        what = f"[{i}] {rel}:{n + 1} {kind}: {line[a:b].strip()!r} -> {repl!r}"
        try:
            with open(path, "w", encoding="utf-8") as f:
                f.write("\n".join(lines))
            rc, out = run(["cmake", "--build", tree, "-j2"] + targets)
            if rc != 0:
                print(f"{what}: does not build", flush=True)
                continue
            built += 1
            by = tests()
        finally:
            with open(path, "w", encoding="utf-8") as f:
                f.write(original)
            os.utime(path)
        if by:
            caught += 1
            print(f"{what}: caught by {by}", flush=True)
        else:
            survivors.append(what)
            print(f"{what}: SURVIVED", flush=True)
            print(f"    {line.strip()}\n    {lines[n].strip()}", flush=True)
    run(["cmake", "--build", tree, "-j2"] + targets)
    run(["bash", "-c", down], env=env)
    print(f"{len(survivors)} survived:" if survivors else "none survived")
    for s in survivors:
        print("  " + s)
    score = 100.0 * caught / built if built else 0.0
    print(f"score: {caught} of {built} faults that build caught ({score:.0f}%), "
          f"{tried - built} did not build; {time.time() - start:.0f} s")


if __name__ == "__main__":
    main()
