#!/usr/bin/env python3
"""Keeps a folder's sources small enough to read: no file over --max-file lines and no function
over --max-function lines. A function is a body whose braces stand alone at the start of a line,
as the project's style writes every function defined outside a class; its length counts from the
line of its name to its closing brace."""
import argparse
import os
import sys


def functions(lines):
    """(name line, first line number, last line number) of each top-level body."""
    found = []
    i = 0
    while i < len(lines):
        if lines[i].rstrip() == "{":
            # Constructor initialisers (": m_a(a)", ", m_b(b)") stand between the signature and
            # the brace; the signature may span lines: walk back to the line that opens it.
            j = i - 1
            while j > 0 and lines[j].strip().startswith((":", ",")):
                j -= 1
            depth = 0
            while j >= 0:
                depth += lines[j].count(")") - lines[j].count("(")
                if depth <= 0 and "(" in lines[j]:
                    break
                j -= 1
            first = j if j >= 0 else i
            k = i + 1
            while k < len(lines) and lines[k].rstrip() != "}":
                k += 1
            found.append((lines[first].strip(), first + 1, k + 1))
            i = k + 1
            continue
        i += 1
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("folder")
    parser.add_argument("--max-file", type=int, default=400)
    parser.add_argument("--max-function", type=int, default=60)
    args = parser.parse_args()
    problems = []
    checked = 0
    for root, _, names in os.walk(args.folder):
        for name in sorted(names):
            if not name.endswith((".cpp", ".h")):
                continue
            path = os.path.join(root, name)
            lines = open(path, encoding="utf-8").read().split("\n")
            if lines and lines[-1] == "":
                lines.pop()
            checked += 1
            if len(lines) > args.max_file:
                problems.append("%s: %d lines (at most %d)" % (path, len(lines), args.max_file))
            for signature, first, last in functions(lines):
                if last - first + 1 > args.max_function:
                    problems.append("%s:%d: %s is %d lines (at most %d)" % (path, first, signature, last - first + 1, args.max_function))
    for problem in problems:
        print(problem)
    if checked == 0:
        print("no sources under %s" % args.folder)
        return 1
    print("%d files checked, %d over the limits" % (checked, len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
