"""Shared helpers of the end-to-end scripts: reading the driver's view dumps and reporting checks.
The scripts run their Python with this folder on PYTHONPATH."""
import json
import os

failures = []


def check(cond, what, quiet=False):
    """Prints ok or FAIL for one check and remembers the failures."""
    if not quiet or not cond:
        print(("ok   " if cond else "FAIL ") + what)
    if not cond:
        failures.append(what)
    return cond


def load(folder, name):
    with open(os.path.join(folder, name)) as f:
        return json.load(f)


def walk(view):
    yield view
    for child in view["children"]:
        yield from walk(child)


def find(view, ident):
    """The first view with the accessibility identifier, depth first in child order, or None."""
    return next((v for v in walk(view) if v.get("id") == ident), None)
