#!/usr/bin/env python3
"""Writes BINOMDIST.DAT: the order N on the first line, then N+1 rows of N+1
exact binomial coefficients C(i, j) (0 when j > i), as decimal integers.

Usage: python3 tools/binomdist_gen.py N > BINOMDIST.DAT
"""
import sys


def main() -> int:
    if len(sys.argv) != 2 or not sys.argv[1].isdigit():
        sys.stderr.write("usage: binomdist_gen.py N   (N a whole number >= 0)\n")
        return 2
    order = int(sys.argv[1])
    out = [str(order)]
    row = [1]  # row i of Pascal's triangle, exact integers
    for i in range(order + 1):
        out.append(" ".join(str(row[j]) if j <= i else "0" for j in range(order + 1)))
        row = [1] + [row[k] + row[k + 1] for k in range(len(row) - 1)] + [1]
    sys.stdout.write("\n".join(out) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
