"""The README's Python examples as one program: run as it stands, and checked with
`mypy --strict` against the installed package's type stubs.

    python3 examples/python_lookup.py [DIRECTORY]
"""

import sys

import numpy as np
import pandas as pd

import korvalind


def main() -> None:
    d = korvalind.Directory(sys.argv[1] if len(sys.argv) > 1 else None)
    print(repr(d))  # <korvalind.Directory '/…/Korvalind.dat', 321047 segments>
    answer = d.lookup("13901234567")  # Answer(province='北京', city='北京', ...) or None
    if answer is not None:
        print(answer.province, answer.city, answer.sim_type, answer.post_code, answer.carrier)
    # ok invalid not-found
    print(d.status(13901234567), d.status(139012345678), d.status(19912345678))
    print(d.lookup("+86 139-0123-4567", any_prefix=True))
    print(d.info["segment_count"], d.info["count_line"])

    frame = pd.DataFrame({"phone": [13901234567, 18600001234, None, 12345]}, index=[7, 8, 9, 10])
    print(d.lookup_many(frame["phone"]))  # keeps the index 7 to 10
    print(d.lookup_many(np.array([13901234567, 1390123])))
    annotated = korvalind.annotate(frame, "phone", prefix="phone_", directory=d)
    # The answer columns are Categorical: group them with observed=True.
    print(annotated.groupby(["phone_province", "phone_city"], observed=True).size())

    try:
        korvalind.Directory("/nonexistent/Korvalind.dat")
    except FileNotFoundError as error:
        print("no directory:", error.filename, error.errno)


if __name__ == "__main__":
    main()
