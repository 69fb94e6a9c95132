#!/usr/bin/env python3
"""Turns the JSON output of export_benchmarks and simulator_benchmarks into the Markdown tables
of docs/performance.md (medians of the repetitions)."""
import json
import sys


def medians(path):
    with open(path) as f:
        data = json.load(f)
    for b in data["benchmarks"]:
        if b.get("aggregate_name") == "median":
            yield b["run_name"].replace("/manual_time", ""), b


def si(value, unit=""):
    for factor, prefix in ((1e9, "G"), (1e6, "M"), (1e3, "k")):
        if abs(value) >= factor:
            return f"{value / factor:.3g} {prefix}{unit}"
    return f"{value:.3g} {unit}".rstrip()


def export_tables(path):
    bus, frame = [], []
    for name, b in medians(path):
        if "minimal_ns" in b:
            wall = (f"{b['wall_ns_per_call'] / 1e3:,.0f} µs / {b['wall_minimal_ns'] / 1e3:,.0f} µs"
                    f" = {b['wall_ratio']:.3f}" if "wall_ratio" in b else "")
            bus.append(f"| {name} | {b['ns_per_call']:,.0f} | {b['accesses']:,.0f} | "
                       f"{b['minimal_ns']:,.0f} | {b['ratio']:.3f} | {wall} |")
        else:
            memcpy = f"{b['memcpy_ns']:,.1f} | {b['ratio']:.2f}" if "memcpy_ns" in b else " | "
            frame.append(f"| {name} | {b['ns_per_call']:,.1f} | {memcpy} |")
    print("| Benchmark | ns per call | bridge accesses per call | minimal loop ns | ratio | wall clock (export / minimal = ratio) |")
    print("|---|---:|---:|---:|---:|---|")
    print("\n".join(bus))
    print()
    print("| Benchmark (frame buffer, no bus) | ns per call | memcpy of 8192 bytes, ns | ratio |")
    print("|---|---:|---:|---:|")
    print("\n".join(frame))


def simulator_table(path):
    print("| Benchmark (real simulator) | CPU µs per call | bridge accesses per call | accesses per CPU second |")
    print("|---|---:|---:|---:|")
    for name, b in medians(path):
        micros = b["cpu_time"] * {"ns": 1e-3, "us": 1.0, "ms": 1e3}[b["time_unit"]]
        print(f"| {name} | {micros:,.2f} | {b['accesses']:,.0f} | {si(b['accesses_per_s'], '/s')} |")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: report.py EXPORTS.json SIMULATOR.json")
    export_tables(sys.argv[1])
    print()
    simulator_table(sys.argv[2])
