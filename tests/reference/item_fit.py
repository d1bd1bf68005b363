#!/usr/bin/env python3
"""S-X2 item fit of the shipped examples, worked out apart from the engines.

The model formulas of chi_square.py; for each item the distribution of the
total without it convolved anew from the other items at every point of the
latent distribution, the expected shares, the merging of sparse score
groups and the statistic written out from their definitions. The figures
it prints are the constants of tests/stats/ItemFitTest.cpp; run it from
the repository's top:

    python3 tests/reference/item_fit.py
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from chi_square import binary, convolve, graded, latent, partial_credit, reals, single  # noqa: E402


def codes(path, m, lowest):
    with open(path) as f:
        values = [int(t) - lowest for t in f.read().split()]
    return [values[j * m:(j + 1) * m] for j in range(len(values) // m)]


def item_fit(model, points, rows, m, K, min_expected=1.0):
    S = m * (K - 1)
    subjects = [0] * (S + 1)
    observed = [[[0] * K for _ in range(S + 1)] for _ in range(m)]
    for row in rows:
        if any(c < 0 or c >= K for c in row):
            continue
        s = sum(row)
        subjects[s] += 1
        for i, c in enumerate(row):
            observed[i][s][c] += 1
    total = [0.0] * (S + 1)
    joint = [[[0.0] * K for _ in range(S + 1)] for _ in range(m)]
    for theta, w in points:
        P = model(theta)
        for s, v in enumerate(convolve(P)):
            total[s] += w * v
        for i in range(m):
            without = convolve(P[:i] + P[i + 1:])
            for k in range(K):
                for r, v in enumerate(without):
                    joint[i][r + k][k] += w * P[i][k] * v
    results = []
    for i in range(m):
        groups = []
        for s in range(1, S):
            share = [joint[i][s][k] / total[s] if total[s] > 0 else 0.0 for k in range(K)]
            groups.append((list(observed[i][s]), [subjects[s] * e for e in share]))
        kept = []
        g = 0
        while g < len(groups):
            o, e = list(groups[g][0]), list(groups[g][1])
            while min(e) < min_expected and g + 1 < len(groups):
                g += 1
                o = [x + y for x, y in zip(o, groups[g][0])]
                e = [x + y for x, y in zip(e, groups[g][1])]
            if min(e) < min_expected and kept:
                kept[-1] = ([x + y for x, y in zip(kept[-1][0], o)], [x + y for x, y in zip(kept[-1][1], e)])
            else:
                kept.append((o, e))
            g += 1
        x2 = sum((oo - ee) ** 2 / ee for o, e in kept for oo, ee in zip(o, e) if ee > 0)
        results.append((x2, len(kept)))
    return results


SUBJECTS = 1000


def shipped_cases():
    """The three examples the tests hold, from examples/: name, latent kind,
    model, items, categories, lowest code, and their first SUBJECTS rows."""
    m, mp, K = 20, 10, 4
    cases = [
        ("3pl", "nodes51", binary(reals("3pl-discrimination.dat"), reals("3pl-difficulty.dat"),
                                  reals("3pl-c.dat"), 1.702), m, 2, 0),
        ("grm", "estimates", graded(reals("grm-discrimination.dat"), reals("grm-thresholds.dat"), mp, K), mp, K, 1),
        ("pcm", "nodes20", partial_credit(single(1.0), reals("pcm-steps.dat"), mp, K), mp, K, 1),
    ]
    for name, kind, model, items, categories, lowest in cases:
        rows = codes(name + "-scores.dat", items, lowest)[:SUBJECTS]
        yield name, kind, model, items, categories, rows


def main():
    os.chdir("examples")
    for name, kind, model, items, categories, rows in shipped_cases():
        points = latent(kind, name, SUBJECTS)
        for item, (x2, groups) in enumerate(item_fit(model, points, rows, items, categories), 1):
            print(f"{name} {kind} {item} {x2:.10f} {groups}")


if __name__ == "__main__":
    main()
