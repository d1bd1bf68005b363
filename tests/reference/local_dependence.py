#!/usr/bin/env python3
"""Local dependence X2 of the shipped examples, worked out apart from the engines.

The model formulas of chi_square.py; each pair's observed table counted
from the score rows and its expected table summed over the latent
distribution, written out from their definitions. The figures it prints
(subjects, the sum of X2 over all pairs, the largest pair and its X2) are
the constants of tests/stats/LocalDependenceTest.cpp; run it from the
repository's top:

    python3 tests/reference/local_dependence.py
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from chi_square import latent  # noqa: E402
from item_fit import SUBJECTS, shipped_cases  # noqa: E402


def pairs(model, points, rows, m, K):
    rows = [row for row in rows if all(0 <= c < K for c in row)]
    N = len(rows)
    total = sum(w for _, w in points)
    expected = {}
    for theta, w in points:
        P = model(theta)
        for i in range(m):
            for j in range(i + 1, m):
                for k in range(K):
                    for l in range(K):
                        expected[i, j, k, l] = expected.get((i, j, k, l), 0.0) + w / total * P[i][k] * P[j][l]
    result = []
    for i in range(m):
        for j in range(i + 1, m):
            x2 = 0.0
            for k in range(K):
                for l in range(K):
                    o = sum(1 for row in rows if row[i] == k and row[j] == l)
                    e = N * expected[i, j, k, l]
                    if e > 0:
                        x2 += (o - e) ** 2 / e
            result.append((i + 1, j + 1, x2))
    return N, result


def main():
    os.chdir("examples")
    for name, kind, model, items, categories, rows in shipped_cases():
        subjects, result = pairs(model, latent(kind, name, SUBJECTS), rows, items, categories)
        first, second, largest = max(result, key=lambda pair: pair[2])
        total = sum(x2 for _, _, x2 in result)
        print(f"{name} {kind} {subjects} {total:.10f} {first} {second} {largest:.10f}")


if __name__ == "__main__":
    main()
