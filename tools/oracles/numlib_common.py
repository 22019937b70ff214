"""Helpers shared by the numerical library's oracle scripts."""

import os
import sys


def require(*modules):
    """Imports the named modules, or says which Python to use and exits."""
    loaded = []
    for name in modules:
        try:
            loaded.append(__import__(name))
        except ImportError:
            sys.exit(
                f"{os.path.basename(sys.argv[0])}: this Python ({sys.executable}) lacks "
                f"'{name}'. Run the script with Debian's /usr/bin/python3 and the packages "
                "python3-numpy, python3-scipy and python3-mpmath installed.")
    return loaded


def data_dir(*folder):
    """tests/data/<folder> of this repository (tests/data/numlib by default),
    created when missing."""
    here = os.path.dirname(os.path.abspath(__file__))
    path = os.path.join(here, os.pardir, os.pardir, "tests", "data", *(folder or ("numlib",)))
    path = os.path.normpath(path)
    os.makedirs(path, exist_ok=True)
    return path


def num(x):
    """An integer as is; a double written so that it reads back as the same double."""
    if isinstance(x, int):
        return str(x)
    return repr(float(x))


def write_csv(name, header, rows, folder=None):
    """Writes rows of numbers or texts under a '#' header line, into data_dir()
    or the folder given."""
    path = os.path.join(folder or data_dir(), name)
    with open(path, "w", newline="\n") as out:
        out.write("# " + header + "\n")
        for row in rows:
            out.write(",".join(v if isinstance(v, str) else num(v) for v in row) + "\n")
    print(f"wrote {path} ({len(rows)} rows)")
