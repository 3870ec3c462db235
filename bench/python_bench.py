#!/usr/bin/python3
"""The Python module's figures, as JSON on standard output (run by bench/compare --library).

usage: PYTHONPATH=BUILD/python bench/python_bench.py [--numbers N] [--runs R]
           [--peer-sample S] [--dask-numbers D] [--dask-partitions P] [--no-dask]

  - lookup_many over a numpy array of N random int64 numbers (1 followed by ten digits);
  - annotate of a pandas frame of N rows;
  - python phonenumbers parse + geocode of S numbers, per number (the peer);
  - a one-shot process that looks up one number, against python phonenumbers' one-liner
    (alternating runs, R * 3 of each), and whether the one-shot imported pandas or numpy;
  - examples/dask_annotate.py's reduction (found numbers per province) over D numbers generated
    on the workers in P partitions, on a local cluster of 1 and of 2 worker processes (1 thread
    each): cluster start and a warm-up (import, directory open) are not timed.
Times are medians of R runs (the Dask runs: of max(1, R // 2)).
"""

import argparse
import json
import os
import statistics
import subprocess
import sys
import time

import numpy as np
import pandas as pd

import korvalind

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "examples"))


def median_seconds(action, runs):
    times = []
    for _ in range(runs):
        started = time.perf_counter()
        action()
        times.append(time.perf_counter() - started)
    return statistics.median(times)


def phonenumbers_per_number(numbers):
    try:
        import phonenumbers
        from phonenumbers import geocoder
    except ImportError:
        return None
    texts = [str(n) for n in numbers]

    def run():
        for text in texts:
            try:
                geocoder.description_for_number(phonenumbers.parse(text, "CN"), "zh")
            except phonenumbers.NumberParseException:
                pass

    run()  # loads the metadata and geocoding tables
    return median_seconds(run, 3) / len(texts)


ONE_SHOT = 'import korvalind; print(korvalind.Directory().lookup("13901234567"))'
PEER_ONE_SHOT = (
    "import phonenumbers; from phonenumbers import geocoder; "
    'print(geocoder.description_for_number(phonenumbers.parse("13901234567", "CN"), "zh"))'
)


def one_shot_seconds(runs):
    """Median wall seconds of the korvalind and (when installed) the phonenumbers one-liner,
    run alternately as whole processes; and the modules the first loaded that it needs not."""
    commands = {"ours": ONE_SHOT}
    probe = subprocess.run([sys.executable, "-c", "import phonenumbers"], capture_output=True)
    if probe.returncode == 0:
        commands["peer"] = PEER_ONE_SHOT
    times = {name: [] for name in commands}
    for _ in range(runs + 1):  # the first round warms the page cache
        for name, command in commands.items():
            started = time.perf_counter()
            subprocess.run([sys.executable, "-c", command], check=True, capture_output=True)
            times[name].append(time.perf_counter() - started)
    loaded = subprocess.run(
        [sys.executable, "-c", ONE_SHOT + "; import sys; "
         "print(' '.join(m for m in ('pandas', 'numpy') if m in sys.modules))"],
        check=True, capture_output=True, text=True).stdout.splitlines()[-1]
    result = {name: statistics.median(t[1:]) for name, t in times.items()}
    return result, loaded.split()


def dask_seconds(workers, numbers, partitions, runs):
    from distributed import Client, LocalCluster

    import dask_annotate

    with LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                      host="127.0.0.1", dashboard_address=None) as cluster, \
            Client(cluster) as client:
        warm = dask_annotate.generated_frame(workers * 1000, workers * 2)
        dask_annotate.segments_per_province(warm).compute()
        frame = dask_annotate.generated_frame(numbers, partitions)
        counts = []

        def run():
            counts.append(dask_annotate.segments_per_province(frame).compute().sum())

        seconds = median_seconds(run, runs)
        client.close()
    return seconds, int(counts[-1])


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--numbers", type=int, default=10_000_000)
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--peer-sample", type=int, default=20_000)
    parser.add_argument("--dask-numbers", type=int, default=100_000_000)
    parser.add_argument("--dask-partitions", type=int, default=50)
    parser.add_argument("--no-dask", action="store_true")
    args = parser.parse_args()

    directory = korvalind.Directory()
    rng = np.random.default_rng(1)
    numbers = rng.integers(10_000_000_000, 20_000_000_000, args.numbers)
    frame = pd.DataFrame({"phone": numbers})
    directory.lookup_many(numbers[:1000])
    results = {
        "numbers": args.numbers,
        "lookup_many": median_seconds(lambda: directory.lookup_many(numbers), args.runs),
        "annotate": median_seconds(
            lambda: korvalind.annotate(frame, "phone", directory=directory), args.runs),
    }
    one_shot, loaded = one_shot_seconds(args.runs * 3)
    results["one_shot"] = one_shot["ours"]
    results["one_shot_loads"] = loaded
    if "peer" in one_shot:
        results["phonenumbers_one_shot"] = one_shot["peer"]
    peer = phonenumbers_per_number(numbers[:args.peer_sample])
    if peer is not None:
        results["phonenumbers_per_number"] = peer
        results["peer_sample"] = args.peer_sample
    if not args.no_dask:
        runs = max(1, args.runs // 2)
        results["dask_numbers"] = args.dask_numbers
        results["dask_partitions"] = args.dask_partitions
        for workers in (1, 2):
            seconds, found = dask_seconds(workers, args.dask_numbers, args.dask_partitions, runs)
            results["dask_%d_workers" % workers] = seconds
            results["dask_found"] = found
    json.dump(results, sys.stdout)
    print()


if __name__ == "__main__":
    main()
