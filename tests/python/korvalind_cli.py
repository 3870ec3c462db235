"""The command line's answers, for comparing the module against: `korvalind query --format tsv`."""

import os
import subprocess

BINARY = os.environ["KORVALIND_BINARY"]
DIRECTORY = os.environ["KORVALIND_BUNDLED_DIRECTORY"]


def answers(texts, any_prefix=False):
    """[(status, province, ..., carrier, carrier_id)] for texts (str or bytes), one per text; a
    str's lone surrogates are the bytes they stand for, as os.fsdecode made them."""
    fields = "status,province,city,sim_type,area_code,post_code,carrier,carrier_id"
    args = [BINARY, "query", "--directory", DIRECTORY, "--format", "tsv", "--fields", fields, "-"]
    if any_prefix:
        args.append("--any-prefix")
    run = subprocess.run(
        args,
        input=b"".join(
            (t if isinstance(t, bytes) else t.encode("utf-8", "surrogateescape")) + b"\n"
            for t in texts
        ),
        capture_output=True,
        timeout=120,
    )
    assert run.returncode in (0, 1), run.stderr.decode()
    lines = run.stdout.decode(errors="replace").splitlines()
    assert len(lines) == len(texts)
    return [tuple(line.split("\t")) for line in lines]


def rows(frame):
    """The rows of a lookup_many frame as the command line writes them ("" where missing)."""
    columns = [frame[name].astype(object).where(frame[name].notna(), "") for name in frame]
    return list(zip(*columns))
