#!/usr/bin/env python3
"""The size check finds a function over the limit (its signature on one or several lines, a
constructor with an initialiser list), a file over the limit, and passes a folder within both."""
import os
import subprocess
import sys
import tempfile

tool = sys.argv[1]
failures = 0


def check(ok, what):
    global failures
    print(("ok   " if ok else "FAIL ") + what)
    if not ok:
        failures += 1


def run(folder, *extra):
    done = subprocess.run([sys.executable, tool, folder, *extra], capture_output=True, text=True)
    return done.returncode, done.stdout


def function(signature, body_lines):
    return signature + "\n{\n" + "".join("    step();\n" for _ in range(body_lines)) + "}\n"


with tempfile.TemporaryDirectory() as folder:
    path = os.path.join(folder, "Short.cpp")
    with open(path, "w") as out:
        out.write("namespace x {\n\n" + function("void Short::a()", 56) + "\n}\n")
    code, text = run(folder)
    check(code == 0 and "0 over" in text, "a 59-line function passes")

    with open(os.path.join(folder, "Long.cpp"), "w") as out:
        out.write(function("void Long::wrapped(int a,\n    int b)", 57))
        out.write(function("Long::Long(int a)\n    : m_a(a)\n    , m_b(a)", 56))
    code, text = run(folder)
    check(code == 1, "a function of 61 lines fails the check")
    check("Long.cpp:1: void Long::wrapped(int a, is 61 lines" in text, "a wrapped signature counts from its first line: %r" % text)
    check("Long.cpp:62: Long::Long(int a) is 61 lines" in text, "an initialiser list counts with its constructor: %r" % text)
    check("Short.cpp" not in text, "only the long ones are named")

    with open(os.path.join(folder, "Long.cpp"), "w") as out:
        out.write("".join("// line\n" for _ in range(401)))
    code, text = run(folder)
    check(code == 1 and "Long.cpp: 401 lines (at most 400)" in text, "a file of 401 lines fails the check")
    check(run(folder, "--max-file", "401")[0] == 0, "and passes a limit of 401")

with tempfile.TemporaryDirectory() as empty:
    check(run(empty)[0] == 1, "a folder without sources is an error, not a pass")

sys.exit(1 if failures else 0)
