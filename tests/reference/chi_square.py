#!/usr/bin/env python3
"""Chi-squares of the shipped examples, worked out apart from the engines.

Plain Python doubles, the formulas written out from the model definitions:
the three-parameter logistic item response function, the graded and
partial-credit category probabilities, the total-score distribution by
convolution, item by item, and the chi-square over every score with an
expected frequency above 0. Inputs are rounded to single precision, as the
engines hold them. The figures it prints are the constants of
tests/fit/ReferenceFiguresTest.cpp; run it from the repository's top:

    python3 tests/reference/chi_square.py
"""
import math
import os
import struct


def single(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def reals(path):
    with open(path) as f:
        return [single(float(t)) for t in f.read().split()]


def totals(path, m):
    with open(path) as f:
        codes = [int(t) for t in f.read().split()]
    return [sum(codes[j * m:(j + 1) * m]) for j in range(len(codes) // m)]


def convolve(dists):
    total = [1.0]
    for p in dists:
        new = [0.0] * (len(total) + len(p) - 1)
        for s, t in enumerate(total):
            for c, q in enumerate(p):
                new[s + c] += t * q
        total = new
    return total


def binary(a, b, c, D):
    def probabilities(theta):
        out = []
        for ai, bi, ci in zip(a, b, c):
            e = math.exp(D * ai * (theta - bi))
            p = ci + (1.0 - ci) * e / (1.0 + e)
            out.append([1.0 - p, p])
        return out
    return probabilities


def graded(a, thresholds, m, K):
    def probabilities(theta):
        out = []
        for i in range(m):
            star = [1.0] + [1.0 / (1.0 + math.exp(-a[i] * (theta - thresholds[k * m + i])))
                            for k in range(K - 1)] + [0.0]
            out.append([star[k] - star[k + 1] for k in range(K)])
        return out
    return probabilities


def partial_credit(a, steps, m, K):
    def probabilities(theta):
        out = []
        for i in range(m):
            z = [0.0]
            for k in range(K - 1):
                z.append(z[-1] + a * (theta - steps[k * m + i]))
            e = [math.exp(v) for v in z]
            out.append([v / sum(e) for v in e])
        return out
    return probabilities


def chi_square(model, latent, observed_totals, N, first):
    expected = None
    for theta, w in latent:
        f = convolve(model(theta))
        expected = [0.0] * len(f) if expected is None else expected
        for s, v in enumerate(f):
            expected[s] += w * v
    expected = [N * e for e in expected]
    observed = [0] * len(expected)
    for t in observed_totals:
        if 0 <= t - first < len(observed):
            observed[t - first] += 1
    missing = N - len(observed_totals)
    if missing > 0 and first == 0:
        observed[0] += missing
    return sum((o - e) ** 2 / e for o, e in zip(observed, expected) if e > 0)


def latent(kind, prefix, N):
    if kind == "estimates":
        w = single(1.0 / N)
        return [(t, w) for t in reals(prefix + "-estimates.dat")[:N]]
    values = reals(kind + ".dat")
    return list(zip(values[0::2], values[1::2]))


def main():
    os.chdir("examples")
    N, m, mp, K = 1000, 20, 10, 4
    no_c = [0.0] * m
    models = {
        "1pl": (binary([single(1.0)] * m, reals("1pl-difficulty.dat"), no_c, 1.702), m, 0),
        "2pl": (binary(reals("2pl-discrimination.dat"), reals("2pl-difficulty.dat"), no_c, 1.702), m, 0),
        "3pl": (binary(reals("3pl-discrimination.dat"), reals("3pl-difficulty.dat"), reals("3pl-c.dat"), 1.702),
                m, 0),
        "grm": (graded(reals("grm-discrimination.dat"), reals("grm-thresholds.dat"), mp, K), mp, mp),
        "pcm": (partial_credit(single(1.0), reals("pcm-steps.dat"), mp, K), mp, mp),
    }
    for name, (model, items, first) in models.items():
        observed = totals(name + "-scores.dat", items)
        for kind in ("nodes20", "nodes51", "estimates"):
            value = chi_square(model, latent(kind, name, N), observed, N, first)
            print(f"{name} {kind} {value:.10f}")


if __name__ == "__main__":
    main()
