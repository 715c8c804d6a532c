#!/usr/bin/env python3
"""Instructions per call of the routines the tick benchmarks time, counted by callgrind.

    bench/tick_instructions.py BENCH [BENCH ...]

Runs each quibblix_bench binary given once under `valgrind --tool=callgrind` with the tick and
set-up benchmarks, and prints, for each benchmark, the instructions of one call of the routine
it times (inclusive of everything that routine calls), counted only for the calls the benchmark
loop makes: the play that reaches the busy field before it is left out. Unlike times, the
counts do not depend on what else the machine is doing.
"""
import collections
import os
import re
import subprocess
import sys
import tempfile

# benchmark function -> the routine its loop calls
TIMED = {
    "BM_BubblesTick": "qbx::FrmGame::tmrBubbles_Timer()",
    "BM_BubblesTickTwoPlayers": "qbx::FrmGame::tmrBubbles_Timer()",
    "BM_BubbleSizeTick": "qbx::FrmGame::tmrBubbleSize_Timer()",
    "BM_ArrowGrowTick": "qbx::FrmGame::tmrArrowGrow_Timer()",
    "BM_LevelSetUp14": "qbx::FrmGame::Form_Load()",
}
FILTER = "^(" + "|".join(TIMED) + ")$"


def per_call(out_file):
    """(caller, callee) -> [calls, inclusive Ir] from a callgrind output file."""
    names = {}
    totals = collections.defaultdict(lambda: [0, 0])
    fn = cfn = None
    pending_calls = None

    def name(token):
        m = re.match(r"\((\d+)\)(?: (.*))?", token)
        if not m:
            return token
        if m.group(2):
            names[m.group(1)] = m.group(2)
        return names.get(m.group(1), token)

    with open(out_file, encoding="utf-8", errors="replace") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("fn="):
                fn = name(line[3:])
            elif line.startswith("cfn="):
                cfn = name(line[4:])
            elif line.startswith("calls="):
                pending_calls = int(line[6:].split()[0])
            elif pending_calls is not None and line and (line[0].isdigit() or line[0] in "+-*"):
                cost = line.split()
                if len(cost) >= 2:
                    m = re.search(r"(BM_\w+)\(", fn or "")
                    bench = m.group(1) if m else fn
                    t = totals[(bench, cfn)]
                    t[0] += pending_calls
                    t[1] += int(cost[1])
                pending_calls = None
    return totals


def main():
    if len(sys.argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    print(f"{'instructions per call':28}" + "".join(f"{'binary ' + str(i + 1):>22}"
                                                     for i in range(len(sys.argv) - 1)))
    rows = collections.defaultdict(list)
    for bench in sys.argv[1:]:
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "callgrind.out")
            subprocess.run(
                ["valgrind", "--tool=callgrind", f"--callgrind-out-file={out}",
                 "--compress-strings=yes", bench, f"--benchmark_filter={FILTER}"],
                check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
            totals = per_call(out)
        for b, routine in TIMED.items():
            calls, ir = totals.get((b, routine), [0, 0])
            rows[b].append(ir / calls if calls else None)
    for b, values in rows.items():
        cells = "".join(f"{v:22.1f}" if v is not None else f"{'-':>22}" for v in values)
        print(f"{b:28}{cells}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
