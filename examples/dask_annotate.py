#!/usr/bin/python3
"""Annotate phone numbers with Korvalind across a Dask cluster.

Each partition is annotated by korvalind.annotate on the worker that holds it; a worker opens
the directory once (korvalind.default_directory caches it per process) and reuses it for every
partition it gets. Only the directory's path travels with the task.

    # two local worker processes, on generated numbers
    PYTHONPATH=build/python examples/dask_annotate.py --numbers 2000000 --partitions 16

    # a running cluster: every worker needs the korvalind module and the directory file
    examples/dask_annotate.py --scheduler tcp://scheduler:8786 --directory /srv/Korvalind.dat

Prints the segments found per province (reduced on the workers) and the time taken.
"""

import argparse
import sys
import time

import dask.dataframe as dd
import numpy as np
import pandas as pd

import korvalind


def annotated(frame, column, directory=None, any_prefix=False, prefix=""):
    """frame (a Dask DataFrame) with Korvalind's answer columns for frame[column], each named
    prefix + field. directory: a path every worker can read (default: the copy shipped with
    the module on each worker)."""
    meta = korvalind.annotate(
        frame._meta, column, prefix=prefix, directory=directory, any_prefix=any_prefix
    )
    return frame.map_partitions(
        korvalind.annotate,
        column,
        prefix=prefix,
        directory=directory,
        any_prefix=any_prefix,
        meta=meta,
    )


def generated_numbers(seed, count):
    """count random 11-digit numbers starting with 1, made on the worker that runs this."""
    rng = np.random.default_rng(seed)
    return pd.DataFrame({"number": rng.integers(10_000_000_000, 20_000_000_000, count)})


def generated_frame(numbers, partitions):
    """A Dask DataFrame of numbers generated on the workers themselves, in partitions."""
    per_partition = -(-numbers // partitions)
    counts = [min(per_partition, numbers - p * per_partition) for p in range(partitions)]
    meta = generated_numbers(0, 0)
    return dd.from_map(generated_numbers, range(partitions), counts, meta=meta)


def segments_per_province(frame, directory=None):
    """The number of found numbers per province, counted on the workers."""
    answers = annotated(frame, "number", directory=directory)
    return answers.groupby("province", observed=True).size()


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--scheduler", help="address of a running Dask scheduler")
    parser.add_argument("--workers", type=int, default=2, help="local workers (default 2)")
    parser.add_argument("--directory", help="directory file every worker can read")
    parser.add_argument("--numbers", type=int, default=2_000_000)
    parser.add_argument("--partitions", type=int, default=16)
    args = parser.parse_args(argv)

    from distributed import Client, LocalCluster

    cluster = None
    if args.scheduler:
        client = Client(args.scheduler)
    else:
        cluster = LocalCluster(
            n_workers=args.workers,
            threads_per_worker=1,
            processes=True,
            host="127.0.0.1",
            dashboard_address=None,
        )
        client = Client(cluster)
    try:
        started = time.perf_counter()
        counts = segments_per_province(
            generated_frame(args.numbers, args.partitions), args.directory
        ).compute()
        elapsed = time.perf_counter() - started
        print(counts.sort_values(ascending=False).to_string())
        print(
            f"{args.numbers} numbers in {args.partitions} partitions: {elapsed:.2f} s, "
            f"{args.numbers / elapsed / 1e6:.1f} million numbers/s",
            file=sys.stderr,
        )
    finally:
        client.close()
        if cluster is not None:
            cluster.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
