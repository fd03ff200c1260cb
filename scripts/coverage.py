#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""How often a sweep row's error bars hold: seeded spinlab-batch runs of the nearest-neighbour
torus at T = 2.269 against exact values, counting the rows within two reported errors, the rows
warned, and the unwarned rows within two errors.

Exact values: L = 4 by listing all 2^16 states (e, |m|, chi, c, U4); L = 16 by the exact
finite-lattice partition function (Kaufman 1949) for e and c only, since |m|, chi and U4 have no
closed form there. Needs python3-mpmath.

Usage: scripts/coverage.py [SPINLAB_BATCH] [--quick]
"""
import math
import subprocess
import sys

import mpmath

BATCH = next((a for a in sys.argv[1:] if not a.startswith("--")), "build/spinlab-batch")
QUICK = "--quick" in sys.argv
T = 2.269


def enumerate_torus(side, t):
    n = side * side
    bonds = [(i, (i // side) * side + (i % side + 1) % side) for i in range(n)]
    bonds += [(i, (i + side) % n) for i in range(n)]
    z = e1 = e2 = am = m2 = m4 = 0.0
    for state in range(1 << n):
        e = 0
        for a, b in bonds:
            e -= 1 if ((state >> a) ^ (state >> b)) & 1 == 0 else -1
        m = 2 * bin(state).count("1") - n
        w = math.exp(-e / t)
        z += w
        e1 += w * e / n
        e2 += w * (e / n) ** 2
        am += w * abs(m) / n
        m2 += w * (m / n) ** 2
        m4 += w * (m / n) ** 4
    e1, e2, am, m2, m4 = (x / z for x in (e1, e2, am, m2, m4))
    return {"e": e1, "abs_m": am, "chi": n * (m2 - am * am) / t, "c": n * (e2 - e1 * e1) / t**2,
            "u4": 1 - m4 / (3 * m2 * m2)}


def kaufman_log_z(k, rows, cols):
    # Z of the rows x cols torus with J = 1 and K = 1/T (Kaufman 1949).
    def gamma(q):
        if q == 0:
            return 2 * k + mpmath.log(mpmath.tanh(k))
        return mpmath.acosh(mpmath.cosh(2 * k) / mpmath.tanh(2 * k) - mpmath.cos(mpmath.pi * q / cols))
    odd = [gamma(2 * r + 1) for r in range(cols)]
    even = [gamma(2 * r) for r in range(cols)]
    z1 = mpmath.fprod(2 * mpmath.cosh(rows * g / 2) for g in odd)
    z2 = mpmath.fprod(2 * mpmath.sinh(rows * g / 2) for g in odd)
    z3 = mpmath.fprod(2 * mpmath.cosh(rows * g / 2) for g in even)
    z4 = mpmath.fprod(2 * mpmath.sinh(rows * g / 2) for g in even)
    n = rows * cols
    return mpmath.log(mpmath.mpf(1) / 2) + n / 2 * mpmath.log(2 * mpmath.sinh(2 * k)) + \
        mpmath.log(z1 + z2 + z3 + z4)


def kaufman(side, t):
    mpmath.mp.dps = 40
    n = side * side
    f = lambda k: kaufman_log_z(k, side, side)
    k = mpmath.mpf(1) / mpmath.mpf(str(t))
    e = -mpmath.diff(f, k) / n
    c = mpmath.diff(f, k, 2) * k * k / n
    return {"e": float(e), "c": float(c)}


def rows(size, trials, seeds):
    out = []
    for seed in range(1, seeds + 1):
        text = subprocess.run(
            [BATCH, "square", "--size", str(size - 1), "--coupling", "nearest", "--edges",
             "periodic", "--sweep", f"{T}:{T}:1", "--trials", str(trials), "--seed", str(seed),
             "--threads", "1"], check=True, capture_output=True, text=True).stdout
        lines = [l for l in text.splitlines() if not l.startswith("#")]
        out.append(dict(zip(lines[0].split(","), lines[1].split(","))))
    return out


def main():
    small = enumerate_torus(4, T)
    check = kaufman(4, T)
    assert abs(check["e"] - small["e"]) < 1e-9 and abs(check["c"] - small["c"]) < 1e-9, check
    large = kaufman(16, T)
    cases = [(4, 200, 60, small), (4, 500, 60, small), (4, 20000, 60, small),
             (16, 1000, 60, large), (16, 200000, 12 if QUICK else 24, large)]
    print("| run (nearest neighbours, periodic, T = 2.269, Metropolis) | seeds | within 2 errors "
          "(all rows) | warned | within 2 errors (unwarned rows) |")
    print("|---|---|---|---|---|")
    for side, sweeps, seeds, exact in cases:
        found = rows(side, sweeps * side * side, seeds)
        warned = [r for r in found if r["warning"]]
        kept = [r for r in found if not r["warning"]]

        def share(rs, q):
            if not rs:
                return "-"
            col = "energy" if q == "e" else q
            ok = sum(abs(float(r[col + "_mean"]) - exact[q]) <= 2 * float(r[col + "_err"])
                     for r in rs)
            return f"{q} {round(100 * ok / len(rs))} %"
        qs = list(exact)
        print(f"| L = {side}, {sweeps} sweeps | {seeds} | " + ", ".join(share(found, q) for q in qs)
              + f" | {len(warned)} | " + (", ".join(share(kept, q) for q in qs) + f" ({len(kept)} rows)"
                                          if kept else "-") + " |")
        sys.stdout.flush()


main()
