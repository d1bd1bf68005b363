#!/usr/bin/env python3
"""Person fit of hand-made response patterns, worked out apart from the engines.

Plain Python doubles, the formulas written out from the model definitions:
category probabilities of the three-parameter logistic (with its scaling D),
graded and partial-credit models, their first and second derivatives in
closed form, and for every pattern and every ability estimate (Warm's
weighted likelihood, maximum likelihood, maximum a posteriori, expected a
posteriori over seven normal-shaped nodes) the estimate, its standard error,
lz, Snijders' lz* with its lower-tail p, and the infit and outfit mean
squares with their Wilson-Hilferty standardisations. Item parameters and
node values are rounded to single precision, as the engines hold them.

Roots of the estimating equations are found by a scan of a 0.001 grid over
[-10, 10] for sign changes, each refined by bisection; where there are
several maxima the largest objective wins. A last case, found by a search
over all patterns of a made-up test, has a likelihood with two separated
maxima of which the farther from 0 is the higher.

It prints C++ initializer lines, {"A1", "wle", theta, se, lz, lz_star, p,
infit, outfit, infit_t, outfit_t, "note"}, with kNone where a figure is
undefined; run it from the repository's top:

    python3 tests/reference/person_fit.py
"""
import math
import struct

LOW, HIGH = -10.0, 10.0
STEP = 1000                      # grid points per unit of theta
TOLERANCE = 1e-14                # bisection width


def single(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def logistic(x):
    # 1 / (1 + e^-x) without overflow in either tail
    if x >= 0.0:
        return 1.0 / (1.0 + math.exp(-x))
    e = math.exp(x)
    return e / (1.0 + e)


# Each item is a function of theta giving the category probabilities P_k and
# their first and second theta-derivatives, k = 0..K-1.

def binary_item(a, b, c, D):
    a, b, c = single(a), single(b), single(c)

    def at(theta):
        z = D * a * (theta - b)
        L, M = logistic(z), logistic(-z)     # M = 1 - L, kept apart so the tails stay exact
        d1 = D * a * (1.0 - c) * L * M
        d2 = D * a * (M - L) * d1            # L'' = D a (1 - 2L) L'
        return [(1.0 - c) * M, c + (1.0 - c) * L], [-d1, d1], [-d2, d2]
    return at


def graded_item(a, thresholds):
    a = single(a)
    b = [single(v) for v in thresholds]
    K = len(b) + 1

    def at(theta):
        x = [a * (theta - v) for v in b]
        up = [logistic(v) for v in x]        # P*_1..P*_{K-1}
        down = [logistic(-v) for v in x]     # 1 - P*_k
        d = [a * u * w for u, w in zip(up, down)]
        dd = [a * (w - u) * v for u, w, v in zip(up, down, d)]
        P = []
        for k in range(K):
            if k == 0:
                P.append(down[0])
            elif k == K - 1:
                P.append(up[-1])
            else:
                # s(X) - s(Y) = s(X) s(-Y) (1 - e^(Y-X)): no cancellation where both are near 1
                P.append(up[k - 1] * down[k] * -math.expm1(x[k] - x[k - 1]))
        d = [0.0] + d + [0.0]
        dd = [0.0] + dd + [0.0]
        return P, [d[k] - d[k + 1] for k in range(K)], [dd[k] - dd[k + 1] for k in range(K)]
    return at


def partial_credit_item(a, steps):
    a = single(a)
    delta = [single(v) for v in steps]

    def at(theta):
        z = [0.0]
        for v in delta:
            z.append(z[-1] + a * (theta - v))
        top = max(z)
        e = [math.exp(v - top) for v in z]
        total = sum(e)
        P = [v / total for v in e]
        mean = sum(k * p for k, p in enumerate(P))
        var = sum((k - mean) ** 2 * p for k, p in enumerate(P))
        # P'_k = a P_k (k - mean), and mean' = a var
        d1 = [a * p * (k - mean) for k, p in enumerate(P)]
        d2 = [a * a * p * ((k - mean) ** 2 - var) for k, p in enumerate(P)]
        return P, d1, d2
    return at


# The latent distribution of MAP and EAP.

NODES = [single(v) for v in (-3.0, -2.0, -1.0, 0.0, 1.0, 2.0, 3.0)]
_raw = [single(v) for v in (0.006, 0.061, 0.242, 0.382, 0.242, 0.061, 0.006)]
WEIGHTS = [w / sum(_raw) for w in _raw]
MU = sum(w * t for w, t in zip(WEIGHTS, NODES)) / sum(WEIGHTS)
SIGMA2 = sum(w * (t - MU) ** 2 for w, t in zip(WEIGHTS, NODES)) / sum(WEIGHTS)
SIGMA = math.sqrt(SIGMA2)


def phi(x):
    return 0.5 * math.erfc(-x / math.sqrt(2.0))


def parse(pattern, lowest):
    return [None if t == "-" else int(t) - lowest for t in pattern.split()]


def sums(items, answers, theta):
    """Log-likelihood, score, information I and J of the answered items."""
    l = s = info = j = 0.0
    for item, x in zip(items, answers):
        if x is None:
            continue
        P, d1, d2 = item(theta)
        l += math.log(P[x])
        s += d1[x] / P[x]
        info += sum(u * u / p for p, u in zip(P, d1))
        j += sum(u * v / p for p, u, v in zip(P, d1, d2))
    return l, s, info, j


# Estimating equations g(theta) = 0 and the objectives they maximise.

def equation(kind, theta, s, info, j):
    if kind == "ml":
        return s
    if kind == "wle":
        return s + j / (2.0 * info)
    return s + (MU - theta) / SIGMA2


def objective(kind, theta, l, info):
    if kind == "ml":
        return l
    if kind == "wle":
        return l + 0.5 * math.log(info)
    return l - (theta - MU) ** 2 / (2.0 * SIGMA2)


GRID = [LOW + i / STEP for i in range(int((HIGH - LOW) * STEP) + 1)]


class Table:
    """Each item's log-probabilities, r_k, I_j and J_j over the grid, shared by every pattern."""

    def __init__(self, items):
        self.items = items
        self.lnp, self.r, self.info, self.j = [], [], [], []
        for item in items:
            values = [item(t) for t in GRID]
            K = len(values[0][0])
            self.lnp.append([[math.log(v[0][k]) for v in values] for k in range(K)])
            self.r.append([[v[1][k] / v[0][k] for v in values] for k in range(K)])
            self.info.append([sum(u * u / p for p, u in zip(*v[:2])) for v in values])
            self.j.append([sum(u * w / p for p, u, w in zip(*v)) for v in values])

    def totals(self, answers):
        n = len(GRID)
        l, s, info, j = [0.0] * n, [0.0] * n, [0.0] * n, [0.0] * n
        for i, x in enumerate(answers):
            if x is None:
                continue
            l = [u + v for u, v in zip(l, self.lnp[i][x])]
            s = [u + v for u, v in zip(s, self.r[i][x])]
            info = [u + v for u, v in zip(info, self.info[i])]
            j = [u + v for u, v in zip(j, self.j[i])]
        return l, s, info, j


def maxima(table, answers, kind):
    """Every root of the equation in (-10, 10) where it falls through zero, i.e. where
    the objective peaks, refined by bisection: (theta, objective) pairs. The
    direction of the crossing decides, not the objective itself: for the 3PL and
    graded models the Warm equation is not exactly the slope of l + 1/2 ln I."""
    items = table.items
    _, s, info, j = table.totals(answers)
    g = [equation(kind, t, u, v, w) for t, u, v, w in zip(GRID, s, info, j)]
    found = []
    for i in range(len(GRID) - 1):
        if g[i] > 0.0 and g[i + 1] <= 0.0:
            lo, hi = GRID[i], GRID[i + 1]
            while hi - lo > TOLERANCE:
                mid = 0.5 * (lo + hi)
                if equation(kind, mid, *sums(items, answers, mid)[1:]) > 0.0:
                    lo = mid
                else:
                    hi = mid
            root = 0.5 * (lo + hi)
            l, u, v, w = sums(items, answers, root)
            residual = equation(kind, root, u, v, w)
            assert abs(residual) < 1e-9, (kind, root, residual)
            found.append((root, objective(kind, root, l, v)))
    return found


def statistics(items, answers, theta, r0):
    """lz, lz* (None where r0 is None), p, infit, outfit and their t at theta."""
    l0 = E = V = 0.0
    rw = rr = 0.0
    n = 0
    out_sum = in_num = in_den = 0.0
    cv = in_c = 0.0
    per_item = []
    for item, x in zip(items, answers):
        if x is None:
            continue
        n += 1
        P, d1, _ = item(theta)
        lnp = [math.log(p) for p in P]
        r = [u / p for p, u in zip(P, d1)]
        l0 += lnp[x]
        m1 = sum(p * w for p, w in zip(P, lnp))
        m2 = sum(p * w * w for p, w in zip(P, lnp))
        E += m1
        V += m2 - m1 * m1
        rw += sum(p * u * w for p, u, w in zip(P, r, lnp))
        rr += sum(p * u * u for p, u in zip(P, r))
        per_item.append((P, r, lnp))
        e = sum(k * p for k, p in enumerate(P))
        var = sum((k - e) ** 2 * p for k, p in enumerate(P))
        c4 = sum((k - e) ** 4 * p for k, p in enumerate(P))
        out_sum += (x - e) ** 2 / var
        in_num += (x - e) ** 2
        in_den += var
        cv += c4 / (var * var)
        in_c += c4 - var * var
    lz = (l0 - E) / math.sqrt(V)
    lz_star = p = None
    if r0 is not None:
        c = rw / rr
        tau2 = 0.0
        for P, r, lnp in per_item:
            w = [a - c * b for a, b in zip(lnp, r)]
            m1 = sum(q * v for q, v in zip(P, w))
            tau2 += sum(q * v * v for q, v in zip(P, w)) - m1 * m1
        lz_star = (l0 - E + c * r0) / math.sqrt(tau2)
        p = phi(lz_star)
    outfit = out_sum / n
    infit = in_num / in_den

    def wilson_hilferty(msq, q2):
        if q2 <= 0.0:
            return None
        q = math.sqrt(q2)
        return (msq ** (1.0 / 3.0) - 1.0) * (3.0 / q) + q / 3.0
    outfit_t = wilson_hilferty(outfit, cv / (n * n) - 1.0 / n)
    infit_t = wilson_hilferty(infit, in_c / (in_den * in_den))
    return lz, lz_star, p, infit, outfit, infit_t, outfit_t


def estimate(table, answers, kind, highest):
    """theta, se, lz, lz*, p, infit, outfit, infit_t, outfit_t, note; and the maxima seen."""
    items = table.items
    given = [x for x in answers if x is not None]
    nothing = [None] * 9
    if len(given) < 2:
        return nothing + ["too_few_answers"], []
    if kind == "eap":
        l = [sums(items, answers, t)[0] for t in NODES]
        top = max(l)
        post = [w * math.exp(v - top) for w, v in zip(WEIGHTS, l)]
        total = sum(post)
        theta = sum(p * t for p, t in zip(post, NODES)) / total
        se = math.sqrt(sum(p * (t - theta) ** 2 for p, t in zip(post, NODES)) / total)
        return [theta, se] + list(statistics(items, answers, theta, None)) + ["no_correction_for_eap"], []
    top_total = sum(k - 1 for k, x in zip(highest, answers) if x is not None)
    if kind == "ml" and sum(given) in (0, top_total):
        return nothing + ["extreme"], []
    found = maxima(table, answers, kind)
    if kind == "ml":
        ends = [sums(items, answers, t)[0] for t in (LOW, HIGH)]
        if not found or max(ends) > max(v for _, v in found):
            return nothing + ["at_bound"], found
    # the other equations always cross inside [-10, 10] for these cases
    assert found, (kind, answers)
    theta = max(found, key=lambda f: f[1])[0]
    _, _, info, j = sums(items, answers, theta)
    if kind == "ml":
        se, r0 = 1.0 / math.sqrt(info), 0.0
    elif kind == "wle":
        se, r0 = 1.0 / math.sqrt(info), j / (2.0 * info)
    else:
        se, r0 = 1.0 / math.sqrt(info + 1.0 / SIGMA2), (MU - theta) / SIGMA2
    return [theta, se] + list(statistics(items, answers, theta, r0)) + [""], found


ESTIMATORS = ("wle", "ml", "map", "eap")


def text(v):
    if v is None:
        return "kNone"
    if isinstance(v, str):
        return '"%s"' % v
    return repr(v)


def line(name, kind, figures):
    return "{" + ", ".join(text(v) for v in [name, kind] + figures) + "},"


# The cases: name, items, categories of each item, lowest code, patterns.

def cases():
    A = [binary_item(a, b, c, 1.702) for a, b, c in zip(
        [1.2, 0.8, 1.5, 1.0, 2.0, 0.7], [-1.5, -0.5, 0.0, 0.5, 1.0, 2.0],
        [0.2, 0.15, 0.25, 0.2, 0.1, 0.2])]
    yield "A", A, [2] * 6, 0, ["1 1 1 0 0 0", "0 0 0 1 1 1", "1 1 1 1 1 1", "0 0 0 0 0 0",
                               "1 - 0 1 - 0", "1 - - - - -", "0 1 0 1 0 1"]
    B = [binary_item(a, b, 0.0, 1.0) for a, b in zip([0.5, 1.0, 1.5, 2.0, 1.2], [-2, -1, 0, 1, 2])]
    yield "B", B, [2] * 5, 0, ["1 1 0 1 0", "0 1 1 1 1", "1 0 0 0 1"]
    C = [binary_item(1.0, b, 0.0, 1.702) for b in [-1, -0.5, 0, 0.5, 1, 1.5]]
    yield "C", C, [2] * 6, 0, ["1 1 1 0 1 0", "0 0 1 1 1 1"]
    D = [graded_item(a, b) for a, b in zip([1.0, 1.5, 0.8, 2.0],
                                           [(-1, 0.5), (-0.5, 1.0), (0, 1.5), (-1.5, 0)])]
    yield "D", D, [3] * 4, 1, ["3 2 2 1", "1 1 3 3", "2 - 3 2"]
    E = [partial_credit_item(1.0, d) for d in [(-1, 0, 1), (-0.5, 0.5, 1.5), (-2, -1, 0), (0, 1, 2)]]
    yield "E", E, [4] * 4, 1, ["2 3 4 1", "4 4 4 3", "1 - 2 2"]


def run(name, items, categories, lowest, patterns):
    table = Table(items)
    records = {}
    for number, pattern in enumerate(patterns, 1):
        answers = parse(pattern, lowest)
        for kind in ESTIMATORS:
            figures, found = estimate(table, answers, kind, categories)
            records[(name + str(number), kind)] = (figures, found)
    return records


# Case F: a 3PL test of weak easy items and strong hard ones, with guessing,
# where a slip on an easy item and success on the hard ones leave two
# explanations: a middling subject who guessed, or an able one who slipped.

F_A = [1.0, 1.0, 1.0, 1.0, 3.0, 3.0, 3.0, 3.0]
F_B = [-2.0, -1.5, -1.0, -0.5, 1.5, 2.0, 2.5, 3.0]
F_C = [0.25] * 8
F_D = 1.0


def search_f():
    """All 2^n patterns on a 0.01 grid: the pattern whose log-likelihood has an
    interior global maximum (at least 0.5 above both ends), another local maximum
    at least 1.0 away and at least 0.5 lower, the global one being the farther
    from 0. The largest gap in height wins."""
    items = [binary_item(a, b, c, F_D) for a, b, c in zip(F_A, F_B, F_C)]
    n = len(items)
    coarse = [LOW + i / 100 for i in range(2001)]
    values = [[item(t)[0] for t in coarse] for item in items]
    lnp = [[[math.log(v[k]) for v in column] for k in range(2)] for column in values]
    best = None
    for code in range(2 ** n):
        answers = [(code >> (n - 1 - i)) & 1 for i in range(n)]
        l = [0.0] * len(coarse)
        for i, x in enumerate(answers):
            l = [u + v for u, v in zip(l, lnp[i][x])]
        peaks = [i for i in range(1, len(coarse) - 1) if l[i - 1] < l[i] >= l[i + 1]]
        if len(peaks) < 2:
            continue
        top = max(peaks, key=lambda i: l[i])
        if l[top] < max(l[0], l[-1]) + 0.5:
            continue
        others = [i for i in peaks if i != top and abs(coarse[i] - coarse[top]) >= 1.0
                  and abs(coarse[i]) < abs(coarse[top]) and l[top] - l[i] >= 0.5]
        if not others:
            continue
        gap = min(l[top] - l[i] for i in others)
        if best is None or gap > best[0]:
            best = (gap, answers)
    assert best is not None
    return items, " ".join(str(x) for x in best[1])


# Self-checks.

def check_derivatives(items):
    h1, h2 = 1e-5, 1e-4
    for item in items:
        for theta in (-4.0, -1.3, -0.2, 0.0, 0.7, 2.5, 5.0):
            P, d1, d2 = item(theta)
            assert abs(sum(P) - 1.0) < 1e-14 and abs(sum(d1)) < 1e-13
            up, down = item(theta + h1)[0], item(theta - h1)[0]
            up2, down2 = item(theta + h2)[0], item(theta - h2)[0]
            for k in range(len(P)):
                first = (up[k] - down[k]) / (2.0 * h1)
                second = (up2[k] - 2.0 * P[k] + down2[k]) / (h2 * h2)
                assert abs(first - d1[k]) < 1e-8, (theta, k, first, d1[k])
                assert abs(second - d2[k]) < 1e-6, (theta, k, second, d2[k])


def check_two_categories():
    """Graded and partial credit with two categories are the 2PL with D = 1:
    the same figures, lz* included, for the patterns of case B."""
    a, b = [0.5, 1.0, 1.5, 2.0, 1.2], [-2, -1, 0, 1, 2]
    patterns = ["1 1 0 1 0", "0 1 1 1 1", "1 0 0 0 1", "1 - 0 1 0", "0 0 0 0 0"]
    binary = run("B", [binary_item(u, v, 0.0, 1.0) for u, v in zip(a, b)], [2] * 5, 0, patterns)
    shifted = [" ".join(t if t == "-" else str(int(t) + 1) for t in p.split()) for p in patterns]
    for items in ([graded_item(u, [v]) for u, v in zip(a, b)],
                  [partial_credit_item(u, [v]) for u, v in zip(a, b)]):
        for key, (figures, _) in run("B", items, [2] * 5, 1, shifted).items():
            for u, v in zip(figures, binary[key][0]):
                if isinstance(u, float):
                    assert abs(u - v) <= 1e-9 * max(1.0, abs(v)), (key, u, v)
                else:
                    assert u == v, (key, u, v)


def check_binary_closed_form(items, answers, theta, r0, figures):
    """The binary forms of the same statistics: l0 - E = sum (x - P) ln(P/Q),
    V = sum PQ ln(P/Q)^2, c = sum P'w / sum P'r with r = P'/(PQ), tau^2 =
    sum PQ (w - c r)^2, and the mean squares with V_j = PQ, C_j = PQ (1 - 3PQ)."""
    terms = []
    for item, x in zip(items, answers):
        if x is not None:
            P, d1, _ = item(theta)
            terms.append((x, P[1], P[0], d1[1]))
    n = len(terms)
    w = [math.log(p / q) for _, p, q, _ in terms]
    r = [d / (p * q) for _, p, q, d in terms]
    lead = sum((x - p) * v for (x, p, _, _), v in zip(terms, w))
    lz = lead / math.sqrt(sum(p * q * v * v for (_, p, q, _), v in zip(terms, w)))
    c = sum(t[3] * v for t, v in zip(terms, w)) / sum(t[3] * u for t, u in zip(terms, r))
    tau = math.sqrt(sum(p * q * (v - c * u) ** 2 for (_, p, q, _), v, u in zip(terms, w, r)))
    pq = [p * q for _, p, q, _ in terms]
    outfit = sum((x - p) ** 2 / v for (x, p, _, _), v in zip(terms, pq)) / n
    infit = sum((x - p) ** 2 for x, p, _, _ in terms) / sum(pq)
    q_out = math.sqrt(sum(1.0 / v for v in pq) / (n * n) - 4.0 / n)
    q_in = math.sqrt(sum(v * (1.0 - 4.0 * v) for v in pq)) / sum(pq)
    expected = [lz, (lead + c * r0) / tau if r0 is not None else None, None, infit, outfit,
                (infit ** (1 / 3) - 1) * 3 / q_in + q_in / 3, (outfit ** (1 / 3) - 1) * 3 / q_out + q_out / 3]
    for u, v in zip(figures[2:9], expected):
        if v is not None:
            assert abs(u - v) <= 1e-9 * max(1.0, abs(v)), (theta, u, v)


def r0_of(kind, items, answers, theta):
    if kind == "ml":
        return 0.0
    if kind == "wle":
        _, _, info, j = sums(items, answers, theta)
        return j / (2.0 * info)
    if kind == "map":
        return (MU - theta) / SIGMA2
    return None


def main():
    print("// nodes: mu = %r, sigma = %r" % (MU, SIGMA))
    for name, items, categories, lowest, patterns in cases():
        check_derivatives(items)
        for key, (figures, _) in run(name, items, categories, lowest, patterns).items():
            print(line(key[0], key[1], figures))
            if lowest == 0 and figures[0] is not None:
                answers = parse(patterns[int(key[0][1:]) - 1], lowest)
                check_binary_closed_form(items, answers, figures[0],
                                         r0_of(key[1], items, answers, figures[0]), figures)
    check_two_categories()

    items, pattern = search_f()
    check_derivatives(items)
    print("// case F: 3PL, D = %r, pattern \"%s\"" % (F_D, pattern))
    for label, values in (("a", F_A), ("b", F_B), ("c", F_C)):
        print("const std::vector<double> kF%s = {%s};" % (label, ", ".join(repr(v) for v in values)))
    records = run("F", items, [2] * len(items), 0, [pattern])
    answers = parse(pattern, 0)
    for key, (figures, _) in records.items():
        print(line(key[0], key[1], figures))
        check_binary_closed_form(items, answers, figures[0], r0_of(key[1], items, answers, figures[0]), figures)
    for kind in ("wle", "ml", "map"):
        found = records[("F1", kind)][1]
        print("// F1 %s local maxima (theta, objective): %s; chosen %r" % (
            kind, "; ".join("(%r, %r)" % f for f in found), records[("F1", kind)][0][0]))


if __name__ == "__main__":
    main()
