#!/usr/bin/env python3
"""Expected characteristics report of a rotated ellipsoid, derived independently.

The fixture (the same numbers as the rotated golden test in characteristics_test.cpp): an
ellipsoid with semi-axes 3.9, 3.5 and 3.2, turned by the rotation of the quaternion
(4, 2, 1, 1)/sqrt(22) and centred at (5.25, -3.5, 2.75), written as a quadric with the constant
term 1; its ten coefficients are then rounded to multiples of 2^-36, so that the test can give
them exactly and the quadric below is the rounded one. The coefficient errors are multiples of
2^-24; the atoms and their errors are those of the axis-aligned golden test, and the
precisions are 1e-10 and 1e-20 (64-bit values, as parsed). Both check boxes are on.

The quadric's matrix has no zero element, so the reduction needs rotations in all three
planes. Nothing here reuses the program's code: the eigenvalues and eigenvectors are computed
with 50-digit arithmetic (mpmath) and checked against mpmath's own symmetric eigensolver. The
rotation method of the program leaves the eigenvalues in an order, and the eigenvectors with
signs, that only its sequence of rotations decides; a 50-digit run of that method, written
here from its description (largest off-diagonal element, angle atan(2a_ij/(a_ii - a_jj))/2),
supplies both, and the script checks that no choice of a pivot was close to a tie, so that the
program's extended arithmetic makes the same choices. Every other quantity follows from the
textbook formulas: the inverse of the eigenvector matrix, the rotated linear terms, the
canonical constant, the semi-axes, the first-order uncertainties, the centre, the invariants
(exact rationals), and volume and surface from the semi-axes rounded to 64 bits, as the
program stores them. Numbers are written by reportformat.py, which refuses a value whose text
would change within a relative 1e-16: the program's extended results are that close to the
exact ones for this well-conditioned fixture (its eigenvalues are 15 % apart).

Run once: python3 characteristics_rotated_golden.py > characteristics_rotated.txt
It also prints, to standard error, the coefficients as the test gives them.
"""

from decimal import Decimal
from fractions import Fraction as F
import sys

from mpmath import mp

from characteristicsreport import report_lines, semi_axes_with_errors
from reportformat import checked, exact, exponent_text, fixed_text, general_text, sqrt, stored

mp.dps = 50


def mpf(x):
    return mp.mpf(x.numerator) / x.denominator


def frac(x):
    """An mpf as an exact Fraction."""
    sign, mantissa, exponent2, _ = mp.mpf(x)._mpf_
    value = F(int(mantissa)) * F(2) ** int(exponent2)
    return -value if sign else value


# ---- the fixture ----------------------------------------------------------------------

SEMI_AXES = [F(39, 10), F(35, 10), F(32, 10)]
CENTRE = [F(21, 4), F(-7, 2), F(11, 4)]
QA, QB, QC, QD = 4, 2, 1, 1  # the quaternion; its rotation has the denominator 22
NORM = QA * QA + QB * QB + QC * QC + QD * QD
R = [[F(QA * QA + QB * QB - QC * QC - QD * QD, NORM), F(2 * (QB * QC - QA * QD), NORM),
      F(2 * (QB * QD + QA * QC), NORM)],
     [F(2 * (QB * QC + QA * QD), NORM), F(QA * QA - QB * QB + QC * QC - QD * QD, NORM),
      F(2 * (QC * QD - QA * QB), NORM)],
     [F(2 * (QB * QD - QA * QC), NORM), F(2 * (QC * QD + QA * QB), NORM),
      F(QA * QA - QB * QB - QC * QC + QD * QD, NORM)]]
# The quadric (x - x0)^T M (x - x0) = 1 with M = R diag(1/a^2) R^T.
MM = [[sum(R[i][k] / SEMI_AXES[k] ** 2 * R[j][k] for k in range(3)) for j in range(3)]
      for i in range(3)]
bb = [-sum(MM[i][j] * CENTRE[j] for j in range(3)) for i in range(3)]
cc = sum(CENTRE[i] * MM[i][j] * CENTRE[j] for i in range(3) for j in range(3)) - 1
designed = [MM[0][0], MM[1][1], MM[2][2], MM[0][1], MM[1][2], MM[0][2], bb[0], bb[1], bb[2], cc]
SCALE = 2**36
numerators = [round(x / cc * SCALE) for x in designed]
q = [F(n, SCALE) for n in numerators]
assert q[9] == 1
error_numerators = [3, -2, 5, 1, -4, 2, 7, -3, 6, 0]
e = [F(n, 2**24) for n in error_numerators]
inverse_precision = exact(1e-10)
rotation_precision = exact(1e-20)
atoms = [(F(i, 16) - 2, F(i % 7, 4) - 1, F(3, 4) - F(i, 32)) for i in range(1, 61)]
errors = [(exact(0.01 * (i % 5 + 1)), exact(0.02), exact(0.005 * i)) for i in range(1, 61)]

a11, a22, a33, a12, a23, a13 = q[0:6]
M = [[a11, a12, a13], [a12, a22, a23], [a13, a23, a33]]
b = q[6:9]
c = q[9]


# ---- the rotation method, for the order and signs of the eigenvectors -----------------

def rotation_method(matrix):
    a = mp.matrix([[mpf(x) for x in row] for row in matrix])
    v = mp.eye(3)
    for _ in range(99):
        off = [(abs(a[r, col]), r, col) for r in range(3) for col in range(3) if r != col]
        norm = mp.sqrt(sum(x * x for x, _, _ in off))
        if mpf(rotation_precision) >= norm:
            break
        largest = max(x for x, _, _ in off)
        i, j = next((r, col) for x, r, col in off if x == largest)
        # The other pair (not the mirror element) must be clearly smaller.
        others = [x for x, r, col in off if {r, col} != {i, j}]
        assert not others or max(others) < largest * (1 - mp.mpf(10) ** -6), "pivot tie"
        t = (a[i, j] * 2) / (a[i, i] - a[j, j])
        theta = mp.atan(t) / 2
        cs, sn = mp.cos(theta), mp.sin(theta)
        rot = mp.eye(3)
        rot[i, i] = cs
        rot[j, j] = cs
        rot[j, i] = sn
        rot[i, j] = -sn
        a = rot.T * a * rot
        v = v * rot
    values = [a[k, k] for k in range(3)]
    for col in range(3):
        length = mp.sqrt(sum(v[r, col] ** 2 for r in range(3)))
        for r in range(3):
            v[r, col] /= length
    return values, v


lam_mp, V_mp = rotation_method(M)
reference = sorted(mp.eigsy(mp.matrix([[mpf(x) for x in row] for row in M]))[0])
assert all(abs(x - y) < mp.mpf(10) ** -40 for x, y in zip(sorted(lam_mp), reference))
assert min(abs(lam_mp[i] - lam_mp[j]) for i in range(3) for j in range(i)) > 0.1 * max(lam_mp)
W_mp = V_mp ** -1

lam = [frac(x) for x in lam_mp]
V = [[frac(V_mp[r, col]) for col in range(3)] for r in range(3)]
W = [[frac(W_mp[r, col]) for col in range(3)] for r in range(3)]
N_mp = mp.matrix([[mpf(x) for x in row] for row in M]) ** -1
N = [[frac(N_mp[r, col]) for col in range(3)] for r in range(3)]


# The program's extended results lie within about 1e-18 (relative) of the exact values here,
# and every text below is checked to be the same over a wider interval around the exact value,
# chosen for the digits it shows: 15 significant digits, 10, and 4 to 7. A stored 64-bit value
# is written as the program writes it, and checked against its neighbours.
fmt = {"S": lambda x: checked(general_text, F(1, 10**17))(x, 15, 0),
       "G10": lambda x: checked(general_text, F(1, 10**15))(x, 10, 10),
       "E43": lambda x: checked(exponent_text, F(1, 10**13))(x, 4, 3),
       "general": checked(general_text, F(1, 10**15)),
       "exponent": checked(exponent_text, F(1, 10**15)),
       "fixed": checked(fixed_text, F(1, 10**13))}


def nearest_double(v):
    return F(float(Decimal(v.numerator) / Decimal(v.denominator)))


centre = [sum(N[k][i] * -b[k] for k in range(3)) for i in range(3)]
I1 = a11 + a22 + a33
I2 = a11 * a22 - a12 * a12 + a11 * a33 - a13 * a13 + a22 * a33 - a23 * a23
I3 = (a11 * a22 * a33 + a13 * a12 * a23 + a13 * a12 * a23 - a13 * a22 * a13 - a11 * a23 * a23
      - a33 * a12 * a12)
b_new = [sum(W[r][k] * b[k] for k in range(3)) for r in range(3)]

# Experimental blocks: delta-lambda_c = v_c^T E v_c, delta-b'_r = sqrt(sum (W[r][k] de_k)^2);
# the eigenvalues are positive, so nothing is negated.
assert all(x > 0 for x in lam)
E = [[e[0], e[3], e[5]], [e[3], e[1], e[4]], [e[5], e[4], e[2]]]
dlam = [sum(V[r][col] * E[r][k] * V[k][col] for r in range(3) for k in range(3))
        for col in range(3)]
db_new = [sqrt(sum((W[r][k] * e[6 + k]) ** 2 for k in range(3))) for r in range(3)]
axes_exp, daxes = semi_axes_with_errors(lam, b_new, dlam, db_new, c, e[9])

K = sum(b_new[k] ** 2 / lam[k] for k in range(3)) - c
axes = [sqrt(K / lam[k]) for k in range(3)]
shift = [b_new[k] / lam[k] for k in range(3)]

# Both check boxes on: the atoms in the canonical frame, W x + s, stored as 64-bit values.
moved = [[stored(fixed_text, sum(W[r][k] * atom[k] for k in range(3)) + shift[r], 9, 6)
          for r in range(3)] for atom in atoms]
lines = report_lines(
    {"q": q, "inverse_precision": inverse_precision, "rotation_precision": rotation_precision,
     "centre_texts": [stored(general_text, x, 15, 0) for x in centre],
     "centre_e43": [stored(exponent_text, x, 4, 3) for x in centre],
     "invariants": (I1, I2, I3), "V": V, "lam": lam, "W": W, "b_new": b_new, "dlam": dlam,
     "db_new": db_new, "experimental_axes": axes_exp, "experimental_errors": daxes,
     "axes": axes, "stored_axes": [nearest_double(x) for x in axes], "shift": shift,
     "moved": moved, "errors": errors}, fmt)

sys.stderr.write("q numerators over 2^36: %s\n" % numerators)
sys.stderr.write("e numerators over 2^24: %s\n" % error_numerators)
sys.stdout.write("".join(line + "\n" for line in lines))
