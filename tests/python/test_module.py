"""The Python module against the command line: lookup, lookup_many and annotate."""

import csv
import os
import re
import threading
import unittest

import numpy as np
import pandas as pd

import korvalind
import korvalind_cli


class ModuleTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.directory = korvalind.Directory(korvalind_cli.DIRECTORY)
        rng = np.random.default_rng(5)
        cls.numbers = np.concatenate(
            [
                rng.integers(13_000_000_000, 20_000_000_000, 30_000),
                rng.integers(1_000_000, 2_000_000, 10_000),
                [1390123, 13901234567, 18600001234, 1340000, 0, -1, 999_999, 2_000_000,
                 99_999_999_999, 100_000_000_000, 10_000_000_000],
            ]
        )
        # Numbers are 7-digit segments or 11-digit numbers; any other integer is invalid, where
        # the command line would read the first seven digits of its text.
        named = [
            1_000_000 <= n <= 9_999_999 or 10_000_000_000 <= n <= 99_999_999_999
            for n in cls.numbers
        ]
        invalid = ("invalid", "", "", "", "", "")
        cls.cli = {
            any_prefix: [
                row if ok else invalid
                for row, ok in zip(
                    korvalind_cli.answers(list(map(str, cls.numbers)), any_prefix), named
                )
            ]
            for any_prefix in (False, True)
        }

    def test_lookup_many_and_lookup_answer_as_the_command_line(self):
        for any_prefix in (False, True):
            expected = self.cli[any_prefix]
            frame = self.directory.lookup_many(self.numbers, any_prefix=any_prefix)
            self.assertEqual(korvalind_cli.rows(frame), expected)
            for number, row in zip(self.numbers[:40000:50], expected[:40000:50]):
                answer = self.directory.lookup(str(number), any_prefix=any_prefix)
                self.assertEqual(answer, korvalind.Answer(*row[1:]) if row[0] == "ok" else None)
                self.assertEqual(self.directory.status(number, any_prefix=any_prefix), row[0])

    def test_the_shared_texts_answer_as_everywhere(self):
        # tests/data/number_texts.tsv: the statuses every surface gives, "\\xNN" for a byte.
        path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data",
                            "number_texts.tsv")
        with open(path, encoding="utf-8", newline="\n") as f:
            rows = list(csv.DictReader(f, delimiter="\t", quoting=csv.QUOTE_NONE))
        self.assertGreaterEqual(len(rows), 30)
        for row in rows:
            text = re.sub(r"\\x([0-9a-f]{2})", lambda m: chr(int(m.group(1), 16)), row["text"])
            self.assertEqual(self.directory.status(text), row["status"], repr(text))
            self.assertEqual(self.directory.status(text, any_prefix=True), row["any_prefix"],
                             repr(text))

    def test_input_kinds_give_the_same_rows(self):
        numbers = self.numbers[:2000]
        expected = korvalind_cli.rows(self.directory.lookup_many(numbers))
        kinds = {
            "list of int": list(map(int, numbers)),
            "int32 where it fits": numbers[numbers < 2**31].astype(np.int32),
            "uint64": numbers[numbers >= 0].astype(np.uint64),
            "float": numbers.astype(np.float64),
            "Series of int": pd.Series(numbers),
            "Series of str": pd.Series(numbers.astype(str)),
            "list of str": [str(n) for n in numbers],
            "numpy str": numbers.astype(str),
        }
        for name, values in kinds.items():
            with self.subTest(kind=name):
                keep = np.isin(numbers, np.asarray(values).astype(np.float64).astype(np.int64))
                want = [row for row, k in zip(expected, keep) if k]
                self.assertEqual(korvalind_cli.rows(self.directory.lookup_many(values)), want)

    def test_missing_and_mixed_values(self):
        values = [13901234567, "1390123", None, float("nan"), "abc", 1390123.0, 1390123.5,
                  b"1390123", True, "+86 139-0123-4567", np.int64(13901234567), 2**70]
        frame = self.directory.lookup_many(pd.Series(values, index=range(100, 112)))
        self.assertEqual(list(frame.index), list(range(100, 112)))
        self.assertEqual(
            list(frame["status"]),
            ["ok", "ok", "invalid", "invalid", "invalid", "ok", "invalid", "ok", "invalid",
             "invalid", "ok", "invalid"],
        )
        self.assertEqual(
            list(self.directory.lookup_many(values, any_prefix=True)["status"])[9], "ok"
        )
        self.assertTrue(frame.loc[frame["status"] != "ok", "city"].isna().all())
        self.assertEqual(set(frame.loc[frame["status"] == "ok", "city"]), {"北京"})

    def test_annotate_adds_prefixed_categorical_columns(self):
        frame = pd.DataFrame({"phone": self.numbers, "other": 1}, index=self.numbers[::-1])
        out = korvalind.annotate(frame, "phone", prefix="p_", directory=self.directory)
        self.assertEqual(list(out.columns), ["phone", "other", "p_status"] +
                         ["p_" + f for f in korvalind.FIELDS])
        self.assertTrue(all(str(out["p_" + f].dtype) == "category" for f in korvalind.FIELDS))
        self.assertEqual(list(out.index), list(frame.index))
        self.assertEqual(korvalind_cli.rows(out.iloc[:, 2:]), self.cli[False])
        self.assertNotIn("p_status", frame.columns)

    def test_threads_share_one_directory(self):
        expected = korvalind_cli.rows(self.directory.lookup_many(self.numbers))
        failures = []

        def work():
            for _ in range(3):
                if korvalind_cli.rows(self.directory.lookup_many(self.numbers)) != expected:
                    failures.append(threading.get_ident())

        threads = [threading.Thread(target=work) for _ in range(4)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        self.assertEqual(failures, [])

    def test_errors_name_the_file(self):
        for path, reason in [("/nonexistent/Korvalind.dat", "No such file"),
                             ("/etc/passwd", "is damaged"), ("/", "it is a folder")]:
            with self.subTest(path=path):
                with self.assertRaises(ValueError) as raised:
                    korvalind.Directory(path)
                self.assertIn(f'"{path}"', str(raised.exception))
                self.assertIn(reason, str(raised.exception))

    def test_info_and_default_directory(self):
        info = self.directory.info
        self.assertEqual(info["count_line"], f"手机号码段共计:{info['segment_count']} [2002-11-08]")
        self.assertIn(139, info["held_prefixes"])
        self.assertIs(korvalind.default_directory(korvalind_cli.DIRECTORY),
                      korvalind.default_directory(korvalind_cli.DIRECTORY))
        self.assertEqual(self.directory.lookup("1390123", gbk=True).city, "北京".encode("gbk"))


if __name__ == "__main__":
    unittest.main()
