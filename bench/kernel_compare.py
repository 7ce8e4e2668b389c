#!/usr/bin/env python3
"""Times `priomat-cli evaluate` against a bare reference kernel on the same data files.

    bench/kernel_compare.py --kernel PATH/baseline --cli build/src/cli/priomat-cli \
        [--runs 7] [--max-time-ratio 1.0] [--max-memory-ratio 1.5] [--max-doubling 2.1] \
        FILE.ahp [FILE.ahp ...]

Runs the two programs alternately as whole processes (the machine may be shared and noisy),
RUNS times each per file, and prints per file the median wall time and peak resident memory
of each, and the medians of the per-pair ratios cli / kernel (wall time, CPU time, memory). With two or more files, also the
growth of the cli's time and memory from each file to the next against the growth of the
file's size. Exit status 1 when a run fails, 3 when a limit given by --max-time-ratio,
--max-memory-ratio or --max-doubling is exceeded (the last bounds the cli's growth of time and
memory per doubling of the file's size; use 7 runs or more, a single run is too noisy for it).
"""
import argparse
import math
import os
import statistics
import subprocess
import sys
import tempfile
import time


def run(command):
    """Wall seconds, peak resident kB and CPU seconds (user + system) of one whole process.

    Measured by GNU time, whose own small process is the one that forks: a child forked
    from this script would start with the script's memory as its peak.
    """
    with tempfile.NamedTemporaryFile("r") as report:
        start = time.perf_counter()
        done = subprocess.run(["/usr/bin/time", "-o", report.name, "-f", "%M %U %S"] + command,
                              stdout=subprocess.DEVNULL)
        seconds = time.perf_counter() - start
        if done.returncode != 0:
            sys.exit(f"kernel_compare: {' '.join(command)} failed ({done.returncode})")
        peak, user, system = report.read().split()[-3:]
    return seconds, int(peak), float(user) + float(system)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--kernel", required=True)
    parser.add_argument("--cli", required=True)
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--max-time-ratio", type=float)
    parser.add_argument("--max-memory-ratio", type=float)
    parser.add_argument("--max-doubling", type=float)
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()

    print("file\tkernel s\tcli s\ttime ratio\tCPU time ratio\tkernel MB\tcli MB\tmemory ratio")
    results = []
    for path in args.files:
        kernel, cli, time_ratios, memory_ratios, cpu_ratios = [], [], [], [], []
        for i in range(args.runs):
            # Alternate which goes first, so neither always meets a warm or a cold cache.
            pair = [("k", [args.kernel, path]), ("c", [args.cli, "evaluate", path])]
            if i % 2:
                pair.reverse()
            figures = {name: run(command) for name, command in pair}
            kernel.append(figures["k"])
            cli.append(figures["c"])
            time_ratios.append(figures["c"][0] / figures["k"][0])
            memory_ratios.append(figures["c"][1] / figures["k"][1])
            cpu_ratios.append(figures["c"][2] / max(figures["k"][2], 1e-6))
        row = {
            "file": path,
            "size": os.path.getsize(path),
            "kernel_s": statistics.median(t for t, _, _ in kernel),
            "cli_s": statistics.median(t for t, _, _ in cli),
            "kernel_kb": statistics.median(m for _, m, _ in kernel),
            "cli_kb": statistics.median(m for _, m, _ in cli),
            "cpu_ratio": statistics.median(cpu_ratios),
            "time_ratio": statistics.median(time_ratios),
            "memory_ratio": statistics.median(memory_ratios),
        }
        results.append(row)
        print(f"{os.path.basename(path)}\t{row['kernel_s']:.3f}\t{row['cli_s']:.3f}\t{row['time_ratio']:.2f}\t{row['cpu_ratio']:.2f}"
              f"\t{row['kernel_kb'] / 1024:.1f}\t{row['cli_kb'] / 1024:.1f}\t{row['memory_ratio']:.2f}",
              flush=True)
    over = []
    for row in results:
        name = os.path.basename(row["file"])
        if args.max_time_ratio is not None and row["time_ratio"] > args.max_time_ratio:
            over.append(f"{name}: time ratio {row['time_ratio']:.2f} above {args.max_time_ratio}")
        if args.max_memory_ratio is not None and row["memory_ratio"] > args.max_memory_ratio:
            over.append(f"{name}: memory ratio {row['memory_ratio']:.2f} above {args.max_memory_ratio}")
    for small, large in zip(results, results[1:]):
        size = large['size'] / small['size']
        time_growth = large['cli_s'] / small['cli_s']
        memory_growth = large['cli_kb'] / small['cli_kb']
        print(f"{os.path.basename(small['file'])} -> {os.path.basename(large['file'])}: "
              f"file x{size:.2f}, cli time x{time_growth:.2f}, cli memory x{memory_growth:.2f}")
        if args.max_doubling is not None and size > 1.0:
            # Growth per doubling of the file: g ** (1 / log2(size)).
            doublings = math.log2(size)
            for what, growth in (("time", time_growth), ("memory", memory_growth)):
                per_doubling = growth ** (1.0 / doublings)
                if per_doubling > args.max_doubling:
                    over.append(f"{os.path.basename(large['file'])}: cli {what} x{per_doubling:.2f} "
                                  f"per doubling, above {args.max_doubling}")
    for message in over:
        print(f"kernel_compare: over the limit: {message}", file=sys.stderr)
    if over:
        sys.exit(3)


if __name__ == "__main__":
    main()
