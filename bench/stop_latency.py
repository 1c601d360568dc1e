#!/usr/bin/env python3
"""Time from Ctrl-C (SIGINT) to exit for tundrel's scans and exports of large volumes.

    sudo python3 bench/stop_latency.py IMAGE...

Each image (a large FAT32, NTFS or exFAT volume: the scan benchmarks beside this script make
them, e.g. `KEEP_IMAGE=1 bench/fat_scan.sh 100000 1`) is first scanned and exported once in
full to learn how long each takes; then each job is started again and sent SIGINT at 10 %,
30 %, 50 %, 70 % and 90 % of that time, and the time from the signal to the process's exit is
measured. The Sleuth Kit's fls (scan) and tsk_recover (export) are run and stopped the same
way in the same run, as the peer's figures. The goal is every tundrel stop within 200 ms; a
tundrel stop must also exit with status 3 (stopped) and leave no file in the destination that
is not complete, which the benchmark checks against the full export.
TUNDREL names the tundrel binary (default: build/src/cli/tundrel below the repository).
"""

import hashlib
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
from pathlib import Path

GOAL_MS = 200
MOMENTS = (0.1, 0.3, 0.5, 0.7, 0.9)
REPO = Path(__file__).resolve().parent.parent
TUNDREL = os.environ.get("TUNDREL", str(REPO / "build/src/cli/tundrel"))


def full_run(command):
    start = time.monotonic()
    subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    return time.monotonic() - start


def stopped_run(command, after):
    """Starts `command`, sends SIGINT `after` seconds later; (latency in ms, exit status)."""
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(after)
    if process.poll() is not None:
        return None, process.returncode
    sent = time.monotonic()
    process.send_signal(signal.SIGINT)
    status = process.wait()
    return (time.monotonic() - sent) * 1000, status


def digests(folder):
    sums = {}
    for path in Path(folder).rglob("*"):
        if path.is_file():
            sums[path.relative_to(folder)] = hashlib.md5(path.read_bytes()).hexdigest()
    return sums


def main():
    images = sys.argv[1:]
    if not images:
        print(__doc__)
        return 2
    for tool in ("fls", "tsk_recover", TUNDREL):
        if shutil.which(tool) is None:
            print(f"stop_latency.py: '{tool}' is missing", file=sys.stderr)
            return 2
    work = Path(tempfile.mkdtemp(prefix="tundrel-stop-bench."))
    worst = 0.0
    incomplete = []
    print(f"{'image':24} {'tool':12} {'job':7} {'moment':>6} {'stop ms':>8} {'status':>6}")
    try:
        for image in images:
            # The benchmarks name every image volume.img, each in a folder of its own.
            name = "/".join(Path(image).parts[-2:])[-24:]
            reference = work / "reference"
            jobs = {
                ("tundrel", "scan"): lambda out: [TUNDREL, "scan", image, "-q"],
                ("tundrel", "export"): lambda out: [TUNDREL, "export", image, "--to", str(out), "--yes",
                                                    "--on-collision", "overwrite", "-q"],
                ("fls", "scan"): lambda out: ["fls", "-r", "-p", image],
                ("tsk_recover", "export"): lambda out: ["tsk_recover", "-e", image, str(out)],
            }
            full_run(jobs[("tundrel", "export")](reference))
            complete = digests(reference)
            for (tool, job), command_for in jobs.items():
                out = work / "out"
                shutil.rmtree(out, ignore_errors=True)
                length = full_run(command_for(out))
                for moment in MOMENTS:
                    shutil.rmtree(out, ignore_errors=True)
                    latency, status = stopped_run(command_for(out), length * moment)
                    shown = "done" if latency is None else f"{latency:8.1f}"
                    print(f"{name:24} {tool:12} {job:7} {moment:6.0%} {shown:>8} {status:>6}")
                    if tool != "tundrel" or latency is None:
                        continue
                    worst = max(worst, latency)
                    if status != 3:
                        incomplete.append(f"{name} {job} at {moment:.0%}: exit status {status}, not 3")
                    if job == "export":
                        for path, digest in digests(out).items():
                            if complete.get(path) != digest:
                                incomplete.append(f"{name} export at {moment:.0%}: {path} is not complete")
            shutil.rmtree(reference, ignore_errors=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print(f"slowest tundrel stop: {worst:.1f} ms (goal: {GOAL_MS} ms)")
    for line in incomplete:
        print("fault:", line)
    return 0 if worst <= GOAL_MS and not incomplete else 1


if __name__ == "__main__":
    sys.exit(main())
