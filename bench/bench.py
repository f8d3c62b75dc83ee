#!/usr/bin/python3
"""nettell against `getent hosts`, side by side, on the same lookups.

Runs inside a private namespace with a hosts-file fixture and files-only
name service, so no query leaves it. For each lookup it measures both
programs: instructions executed (valgrind --tool=callgrind), the median
wall time over many runs (hyperfine, output through a pipe) and the peak
resident memory (/usr/bin/time). It prints one table with the ratio
nettell/getent for each figure, and nettell's own growth from 1,000 to
10,000 addresses.

Environment: NETTELL names the program to measure.
"""

import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))
import private_namespace  # noqa: E402

NETTELL = os.environ.get("NETTELL", "")
GETENT = shutil.which("getent") or "/usr/bin/getent"
RUNS = int(os.environ.get("BENCH_RUNS", "200"))


def addresses(prefix, count):
    return ["%s.%d.%d" % (prefix, i // 250, i % 250 + 1) for i in range(count)]


# Each lookup has a hosts file of its own: the machine's usual loopback
# lines and the record looked up, so that each figure is that record's cost.
# getent asks for an IPv6 address first and only then for IPv4; localhost
# has its IPv6 line as on any machine, the test names have none, and the
# name service is files only, so no question ever goes to DNS.
BASE = ["127.0.0.1 localhost", "::1 localhost ip6-localhost ip6-loopback"]

LOOKUPS = [
    ("localhost", "localhost", []),
    ("one address", "one.bench.test", ["10.0.0.1 one.bench.test"]),
    ("1,000 addresses", "k1.bench.test", ["%s k1.bench.test" % a for a in addresses("10.1", 1000)]),
    ("10,000 addresses", "k10.bench.test", ["%s k10.bench.test" % a for a in addresses("10.2", 10000)]),
    ("1,000 aliases (reverse)", "10.5.0.1",
     ["10.5.0.1 aliased.bench.test " + " ".join("alias-%d" % i for i in range(1000))]),
]


def fixtures(lines):
    return {
        "hosts": "\n".join(BASE + lines) + "\n",
        "host.conf": "multi on\n",
        "nsswitch.conf": "hosts: files\n",
        "resolv.conf": "nameserver 127.0.0.1\n",
    }


def command(program, target):
    return [NETTELL, target] if program == "nettell" else [GETENT, "hosts", target]


def instructions(argv):
    """Instructions executed, counted by callgrind; output goes to a file."""
    with tempfile.TemporaryFile() as output:
        result = subprocess.run(
            ["valgrind", "--tool=callgrind", "--callgrind-out-file=/dev/null"] + argv,
            stdout=output,
            stderr=subprocess.PIPE,
            text=True,
            check=False,
        )
    found = re.search(r"Collected : (\d+)", result.stderr)
    if not found:
        raise RuntimeError("callgrind gave no count for %s:\n%s" % (argv, result.stderr))
    return int(found.group(1))


def peak_memory_kib(argv):
    """Peak resident memory in KiB, the least of five runs."""
    least = None
    for _ in range(5):
        with tempfile.TemporaryFile() as output:
            result = subprocess.run(
                ["/usr/bin/time", "-f", "%M"] + argv, stdout=output, stderr=subprocess.PIPE, text=True
            )
        value = int(result.stderr.strip().splitlines()[-1])
        least = value if least is None else min(least, value)
    return least


def wall_medians(target):
    """Median wall seconds of nettell and getent, measured in one hyperfine run."""
    with tempfile.NamedTemporaryFile(suffix=".json") as report:
        subprocess.run(
            ["hyperfine", "-N", "--output=pipe", "--warmup", "20", "--runs", str(RUNS),
             "--export-json", report.name,
             " ".join(command("nettell", target)), " ".join(command("getent", target))],
            check=True,
            stdout=subprocess.DEVNULL,
        )
        results = json.load(open(report.name))["results"]
    return results[0]["median"], results[1]["median"]


def main():
    if not os.access(NETTELL, os.X_OK):
        sys.exit("set NETTELL to the built program")
    private_namespace.reenter_inside()

    rows = []
    counts = {}
    for title, target, lines in LOOKUPS:
        private_namespace.install(tempfile.mkdtemp(prefix="nettell-bench-"), fixtures(lines), "benchhost")
        own = instructions(command("nettell", target))
        other = instructions(command("getent", target))
        counts[target] = own
        wall_own, wall_other = wall_medians(target)
        memory_own = peak_memory_kib(command("nettell", target))
        memory_other = peak_memory_kib(command("getent", target))
        rows.append((title, own, other, wall_own, wall_other, memory_own, memory_other))

    print("| lookup | instructions nettell | getent | ratio | wall median nettell | getent | ratio "
          "| peak memory nettell | getent | ratio |")
    print("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|")
    for title, own, other, wall_own, wall_other, memory_own, memory_other in rows:
        print("| %s | %d | %d | %.2f | %.2f ms | %.2f ms | %.2f | %d KiB | %d KiB | %.2f |" % (
            title, own, other, own / other, wall_own * 1e3, wall_other * 1e3, wall_own / wall_other,
            memory_own, memory_other, memory_own / memory_other))
    print()
    print("nettell instructions, 10,000 addresses / 1,000 addresses: %.2f"
          % (counts["k10.bench.test"] / counts["k1.bench.test"]))


if __name__ == "__main__":
    main()
