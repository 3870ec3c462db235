"""examples/dask_annotate.py on a local Dask cluster (127.0.0.1, 2 worker processes with 1
thread each): 200,000 numbers in 16 partitions give what lookup_many and the command line
give."""

import os
import sys
import unittest

import numpy as np
import pandas as pd

import korvalind
import korvalind_cli

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "examples"))
import dask_annotate  # noqa: E402

NUMBERS = 200_000
PARTITIONS = 16


class DaskTest(unittest.TestCase):
    def test_cluster_annotates_as_one_process_and_the_command_line(self):
        import dask.dataframe as dd
        from distributed import Client, LocalCluster

        rng = np.random.default_rng(17)
        numbers = rng.integers(13_000_000_000, 20_000_000_000, NUMBERS)
        frame = pd.DataFrame({"number": numbers})
        with LocalCluster(
            n_workers=2,
            threads_per_worker=1,
            processes=True,
            host="127.0.0.1",
            dashboard_address=None,
            death_timeout=60,
        ) as cluster, Client(cluster, timeout=60) as client:
            parts = dd.from_pandas(frame, npartitions=PARTITIONS)
            self.assertEqual(parts.npartitions, PARTITIONS)
            annotated = dask_annotate.annotated(
                parts, "number", directory=korvalind_cli.DIRECTORY, prefix="k_"
            )
            future = client.compute(annotated)
            result = future.result(timeout=240)
            counts = client.compute(
                dask_annotate.segments_per_province(parts, korvalind_cli.DIRECTORY)
            ).result(timeout=120)
            workers = client.run(lambda: os.getpid())
        self.assertEqual(len(workers), 2)

        single = korvalind.Directory(korvalind_cli.DIRECTORY).lookup_many(numbers)
        result = result.sort_index()
        self.assertEqual(len(result), NUMBERS)
        for name in ("status",) + korvalind.FIELDS:
            got, want = result["k_" + name], single[name]
            self.assertEqual(list(got.cat.categories), list(want.cat.categories), name)
            np.testing.assert_array_equal(got.cat.codes.to_numpy(), want.cat.codes.to_numpy())
        expected_counts = single["province"].value_counts(sort=False)
        self.assertEqual(counts.sum(), (single["status"] == "ok").sum())
        self.assertEqual(counts.sort_index().to_dict(), expected_counts.sort_index().to_dict())
        cli = korvalind_cli.answers(list(map(str, numbers)))
        self.assertEqual(korvalind_cli.rows(single), cli)


if __name__ == "__main__":
    unittest.main()
