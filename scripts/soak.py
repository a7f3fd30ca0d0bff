#!/usr/bin/env python3
"""Soak run: the main program headless under the virtual clock for many frames,
fed random pen and key input, printing the allocator's live bytes and blocks and
the process's resident memory every so many frames, then the allocator's exit
report. Not part of CI: a million frames take minutes to hours.

Usage: scripts/soak.py [--frames N] [--every N] [--seed S] [--program PATH]

The program runs from a scratch folder holding a copy of it and links to the
archives and folders beside it, so its log and saved files stay out of the
build tree.
"""
import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

FRAME_MS = 16
KEYS = ["UP", "DOWN", "LEFT", "RIGHT", "BUT.A", "BUT.B", "BUT.C", "BUT.D", "BUT.E", "BUT.START"]


def write_script(path, frames, seed):
    """Random input: a pen gesture or key stroke every 2 to 60 frames; pen strokes
    are taps or drags across the 240 x 320 screen, keys are taps or holds."""
    rnd = random.Random(seed)
    end = frames * FRAME_MS
    t = 100
    with open(path, "w") as f:
        while t < end:
            if rnd.random() < 0.55:
                x, y = rnd.randrange(240), rnd.randrange(320)
                f.write(f"{t} pen down {x} {y}\n")
                for _ in range(rnd.randrange(4)):
                    t += FRAME_MS * rnd.randrange(1, 4)
                    x = min(239, max(0, x + rnd.randrange(-40, 41)))
                    y = min(319, max(0, y + rnd.randrange(-40, 41)))
                    f.write(f"{t} pen move {x} {y}\n")
                t += FRAME_MS * rnd.randrange(1, 6)
                f.write(f"{t} pen up {x} {y}\n")
            else:
                key = rnd.choice(KEYS)
                f.write(f"{t} key press {key}\n")
                t += FRAME_MS * rnd.randrange(1, 20)
                f.write(f"{t} key release {key}\n")
            t += FRAME_MS * rnd.randrange(2, 60)


def rss_kb(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return -1


def scratch_copy(program):
    """A folder with a copy of the program and links to everything beside it."""
    src = os.path.dirname(os.path.realpath(program))
    work = tempfile.mkdtemp(prefix="tobex-soak.")
    for name in os.listdir(src):
        full = os.path.join(src, name)
        if name == os.path.basename(program):
            shutil.copy2(full, work)
        elif name.lower().endswith((".pak", ".zip", ".exe")) or (os.path.isdir(full) and name != "CMakeFiles"):
            os.symlink(full, os.path.join(work, name))
    return work, os.path.join(work, os.path.basename(program))


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--frames", type=int, default=1_000_000)
    ap.add_argument("--every", type=int, default=100_000)
    ap.add_argument("--seed", type=int, default=1)
    ap.add_argument("--program", default=os.path.join(root, "build", "game", "tilvo"))
    a = ap.parse_args()
    if a.frames < 1 or a.every < 1:
        ap.error("--frames and --every must be positive")

    work, program = scratch_copy(a.program)
    script = os.path.join(work, "soak-input.txt")
    write_script(script, a.frames, a.seed)
    env = dict(os.environ, TOBEX_HEADLESS="1", TOBEX_SOAK="1", TOBEX_FRAME_MS=str(FRAME_MS), TOBEX_FRAMES=str(a.frames),
               TOBEX_SCRIPT=script, TOBEX_MEMSTATS=str(a.every), SDL_VIDEODRIVER="dummy")
    print(f"soak: {a.program}, {a.frames} frames of {FRAME_MS} ms, seed {a.seed}, in {work}", flush=True)
    print(f"{'frame':>9} {'live bytes':>12} {'blocks':>8} {'peak bytes':>12} {'RSS kB':>8}", flush=True)
    p = subprocess.Popen([program], cwd=work, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                         text=True)
    stats = re.compile(r"memstats: (frame (\d+)|after shut-down): (\d+) bytes in (\d+) blocks live, peak (\d+)")
    for line in p.stderr:
        m = stats.match(line)
        if not m:
            sys.stdout.write("  " + line)
            continue
        rss = rss_kb(p.pid)
        frame = m.group(2) or "exit"
        print(f"{frame:>9} {m.group(3):>12} {m.group(4):>8} {m.group(5):>12} {rss if rss >= 0 else '-':>8}",
              flush=True)
    status = p.wait()
    log = open(os.path.join(work, "Tobex.log"), errors="replace").read() if os.path.exists(
        os.path.join(work, "Tobex.log")) else ""
    leak = re.search(r"Memory leaks detected, total unfreed memory: (\d+)", log)
    # What the random input did: the command codes the screens gave, most frequent first.
    commands = {}
    for code in re.findall(r"^Command (\d+)", log, re.M):
        commands[code] = commands.get(code, 0) + 1
    if commands:
        top = sorted(commands.items(), key=lambda kv: -kv[1])
        print("soak: commands given: " + ", ".join(f"{c} x{n}" for c, n in top))
    print(f"soak: exit status {status}; allocator report at exit: "
          f"{leak.group(1) + ' bytes unfreed' if leak else 'no leaks'}")
    shutil.rmtree(work, ignore_errors=True)
    return 0 if status == 0 and not leak else 1


if __name__ == "__main__":
    sys.exit(main())
