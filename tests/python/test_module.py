"""The Python module against the command line: lookup, lookup_many and annotate."""

import csv
import datetime
import decimal
import os
import pickle
import re
import subprocess
import sys
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
        invalid = ("invalid",) + ("",) * len(korvalind.FIELDS)
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
        texts = [re.sub(r"\\x([0-9a-f]{2})", lambda m: chr(int(m.group(1), 16)), row["text"])
                 for row in rows]
        for any_prefix, column in [(False, "status"), (True, "any_prefix")]:
            frame = self.directory.lookup_many(texts, any_prefix=any_prefix)
            carriers = frame["carrier_id"].astype(object).fillna("")
            for text, row, status, carrier in zip(texts, rows, frame["status"], carriers):
                with self.subTest(text=text, any_prefix=any_prefix):
                    self.assertEqual(self.directory.status(text, any_prefix=any_prefix),
                                     row[column])
                    self.assertEqual(status, row[column])
                    self.assertEqual(carrier, "" if status == "invalid" else row["carrier_id"])

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
        with self.assertRaisesRegex(ValueError, "'p_province'"):
            korvalind.annotate(out.drop(columns="p_status"), "phone", prefix="p_",
                               directory=self.directory)
        again = korvalind.annotate(out, "phone", prefix="p_", directory=self.directory,
                                   overwrite=True)
        self.assertEqual(list(again.columns), list(out.columns))

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

    def test_every_value_is_taken_by_its_own_type_everywhere(self):
        # (value, status): numbers by the number rule; texts (status None) as the command line.
        values = [
            (1390123, "ok"), (13901234567, "ok"), (139012345678, "invalid"),
            (13901234, "invalid"), (19912345678, "not-found"), (999_999, "invalid"),
            (-13901234567, "invalid"), (2**70, "invalid"), (True, "invalid"),
            (np.int32(1390123), "ok"),
            (np.uint64(2**64 - 1), "invalid"), (np.int64(13901234567), "ok"),
            (1390123.0, "ok"), (1390123.9, "invalid"), (float("inf"), "invalid"),
            (np.float32(1390123.0), "ok"), (np.float64(13901234567.0), "ok"),
            (None, "invalid"), (float("nan"), "invalid"), (pd.NA, "invalid"),
            (pd.NaT, "invalid"), (np.ma.masked, "invalid"), (np.bool_(True), "invalid"),
            ("13901234567", None), ("139012345678", None), ("13901234", None),
            ("1390123.9", None), ("+86 139-0123-4567", None), ("1340000", None), ("abc", None),
            ("", None), ("1390123\udcff", None), (b"13901234567", None), (b"1860000\xff", None),
            (np.str_("18600001234"), None),
        ]
        texts = [v for v, status in values if status is None]
        cli = dict(zip(map(repr, texts), korvalind_cli.answers(texts)))
        expected = [cli[repr(v)][0] if status is None else status for v, status in values]
        mixed = np.empty(len(values), dtype=object)
        mixed[:] = [v for v, _ in values]
        together = korvalind_cli.rows(self.directory.lookup_many(mixed))
        self.assertEqual([row[0] for row in together], expected)
        self.assertEqual(korvalind_cli.rows(self.directory.lookup_many(list(mixed))), together)
        for (value, _), want, row in zip(values, expected, together):
            with self.subTest(value=value):
                self.assertEqual(self.directory.status(value), want)
                answer = self.directory.lookup(value)
                self.assertEqual(answer, korvalind.Answer(*row[1:]) if want == "ok" else None)
                if isinstance(value, (str, bytes)):
                    self.assertEqual(row, cli[repr(value)])
                alone = [[value], pd.Series([value], dtype=object)]
                if not isinstance(value, (str, bytes)) and value is not np.ma.masked:
                    alone.append(np.array([value]))  # numpy's own dtype for it
                for column in alone:
                    self.assertEqual(list(self.directory.lookup_many(column)["status"]), [want])

    def test_values_of_no_accepted_type_raise_type_error(self):
        for value in [decimal.Decimal(1390123), datetime.date(2020, 1, 1), object(), [1390123],
                      np.datetime64("2020-01-01"), np.array(["2020-01-01"], "datetime64[D]")]:
            with self.subTest(value=value):
                calls = [lambda: self.directory.lookup_many([1390123, value])]
                if isinstance(value, np.ndarray):
                    calls = [lambda: self.directory.lookup_many(value),
                             lambda: self.directory.lookup_many(pd.Series(value))]
                else:
                    calls += [lambda: self.directory.status(value),
                              lambda: self.directory.lookup(value)]
                for call in calls:
                    with self.assertRaisesRegex(TypeError, "datetime|Decimal|object|list"):
                        call()

    def test_shapes_a_column_is_refused_in(self):
        frame = pd.DataFrame({"phone": [13901234567, 1390123]}, index=[7, 9])
        for values, error in [(frame[["phone"]], ValueError), (np.zeros((2, 2)), ValueError),
                              ((n for n in [1390123]), TypeError), ("13901234567", TypeError)]:
            with self.subTest(values=type(values).__name__):
                with self.assertRaisesRegex(error, "column|lookup()"):
                    self.directory.lookup_many(values)
        for values in [frame["phone"], pd.Index([13901234567, 1390123]),
                       pd.Series([13901234567, None], dtype="Int64"),
                       np.ma.array([13901234567, 1390123], mask=[False, True])]:
            with self.subTest(values=type(values).__name__):
                answers = self.directory.lookup_many(values)
                index = values if isinstance(values, pd.Index) else getattr(values, "index", None)
                self.assertEqual(list(answers.index), list(range(2) if index is None else index))
                expect = ["ok", "invalid" if isinstance(values.dtype, pd.Int64Dtype) or
                          np.ma.isMaskedArray(values) else "ok"]
                self.assertEqual(list(answers["status"]), expect)

    def test_open_errors_are_python_errors(self):
        with open(__file__, "rb") as source:
            damaged = os.path.join(os.environ.get("TMPDIR", "/tmp"), f"damaged-{os.getpid()}.dat")
            with open(damaged, "wb") as out:
                out.write(source.read(64))
        self.addCleanup(os.remove, damaged)
        cases = [("/nonexistent/Korvalind.dat", FileNotFoundError),
                 ("/", IsADirectoryError), (damaged, korvalind.DamagedDirectoryError)]
        if os.geteuid() != 0:  # root reads every file
            os.chmod(damaged, 0)
            cases.append((damaged, PermissionError))
        for path, error in cases:
            with self.subTest(path=path, error=error.__name__):
                with self.assertRaises(error) as raised:
                    korvalind.Directory(path)
                if issubclass(error, OSError):
                    self.assertEqual(raised.exception.filename, path)
                    self.assertIsNotNone(raised.exception.errno)
                else:
                    self.assertIsInstance(raised.exception, ValueError)
                    self.assertIn(f'"{path}"', str(raised.exception))
            if error is korvalind.DamagedDirectoryError and os.geteuid() != 0:
                os.chmod(damaged, 0)
        # A path is never cut at a zero byte (which would open another file), as open() refuses it.
        with self.assertRaisesRegex(ValueError, "null|zero byte"):
            korvalind.Directory(korvalind_cli.DIRECTORY + "\0x")

    def test_pickled_directory_opens_from_another_working_folder(self):
        here = os.getcwd()
        os.chdir(os.path.dirname(korvalind_cli.DIRECTORY))
        try:
            directory = korvalind.Directory(os.path.basename(korvalind_cli.DIRECTORY))
        finally:
            os.chdir(here)
        self.assertIn(os.path.realpath(korvalind_cli.DIRECTORY), repr(directory))
        run = subprocess.run(
            [sys.executable, "-c", "import pickle, sys\n"
             "print(pickle.load(sys.stdin.buffer).lookup(13901234567).city)"],
            input=pickle.dumps(directory), capture_output=True, cwd="/", timeout=60,
            env=dict(os.environ, PYTHONPATH=os.pathsep.join(sys.path)),
        )
        self.assertEqual(run.stdout.decode().strip(), "北京", run.stderr.decode())

    @unittest.skipUnless(os.environ.get("KORVALIND_INSTALLED_PACKAGE"), "not the installed copy")
    def test_installed_package_carries_metadata_and_types(self):
        import importlib.metadata

        self.assertEqual(importlib.metadata.version("korvalind"), korvalind.__version__)
        folder = os.path.dirname(korvalind.__file__)
        self.assertTrue(folder.startswith(sys.prefix), folder)
        for name in ["py.typed", "__init__.pyi", "Korvalind.dat"]:
            self.assertTrue(os.path.isfile(os.path.join(folder, name)), name)
        self.assertEqual(korvalind.Directory().lookup(13901234567).city, "北京")

    def test_info_and_default_directory(self):
        info = self.directory.info
        self.assertEqual(info["count_line"], f"手机号码段共计:{info['segment_count']} [2002-11-08]")
        self.assertIn(139, info["held_prefixes"])
        self.assertIs(korvalind.default_directory(korvalind_cli.DIRECTORY),
                      korvalind.default_directory(korvalind_cli.DIRECTORY))
        self.assertEqual(self.directory.lookup("1390123", gbk=True).city, "北京".encode("gbk"))


if __name__ == "__main__":
    unittest.main()
