#!/usr/bin/env python3
"""Expected characteristics report of an axis-aligned ellipsoid, derived independently.

The fixture (the same numbers as CharacteristicsGolden in characteristics_test.cpp):
  q = (-1/4, -1/16, -1/32, 0, 0, 0, 1/4, -1/8, 3/128, 1), the ellipsoid centred at
      (1, -2, 0.75) written with the constant term 1 (so all three eigenvalues are negative);
  e = (1/1024, -1/2048, 1/4096, 1/8192, -1/8192, 1/16384, 1/512, -1/1024, 1/2048, 0);
  inverse precision 1e-10 and rotation precision 1e-20 (64-bit values, as parsed);
  atom i: X = i/16 - 2, Y = (i mod 7)/4 - 1, Z = 3/4 - i/32;
  its errors: X = 0.01*(i mod 5 + 1), Y = 0.02, Z = 0.005*i (64-bit products).

Every input is a binary fraction (the 64-bit errors and precisions are taken at their exact
values), so exact rational arithmetic applies. The quadratic part is
diagonal: the rotation method makes no rotation, the eigenvalues are the diagonal, V and its
inverse W are the identity, b' = b, and the Experimental blocks reduce to delta-lambda =
diag(E), delta-b' = |delta-b|. The semi-axes and their errors follow from the textbook
formulas with exact rationals and square roots to 60 digits; volume and surface are taken
from the semi-axes rounded to 64 bits, as the program stores them. Numbers are formatted by
an implementation of the number formats written from their description (18 significant
digits rounded half to even, then rounded at the kept digit), separate from the program's.

Run once: python3 characteristics_golden.py > characteristics_axis_aligned.txt
"""

from fractions import Fraction as F
import sys

from characteristicsreport import report_lines, semi_axes_with_errors
from reportformat import S, exact, exponent, fixed, general, sqrt, to_double


# ---- the fixture ----------------------------------------------------------------------

q = [F(-1, 4), F(-1, 16), F(-1, 32), F(0), F(0), F(0), F(1, 4), F(-1, 8), F(3, 128), F(1)]
e = [F(1, 1024), F(-1, 2048), F(1, 4096), F(1, 8192), F(-1, 8192), F(1, 16384),
     F(1, 512), F(-1, 1024), F(1, 2048), F(0)]
inverse_precision = exact(1e-10)
rotation_precision = exact(1e-20)
atoms = [(F(i, 16) - 2, F(i % 7, 4) - 1, F(3, 4) - F(i, 32)) for i in range(1, 61)]
errors = [(exact(0.01 * (i % 5 + 1)), exact(0.02), exact(0.005 * i)) for i in range(1, 61)]

lam = q[0:3]                 # diagonal quadratic part: the eigenvalues, no rotation
b = q[6:9]
c = q[9]
centre = [-b[k] / lam[k] for k in range(3)]
centre_stored = [to_double(x) for x in centre]

a11, a22, a33, a12, a23, a13 = q[0:6]
I1 = a11 + a22 + a33
I2 = a11 * a22 - a12 * a12 + a11 * a33 - a13 * a13 + a22 * a33 - a23 * a23
I3 = a11 * a22 * a33

V = [[F(int(r == k)) for k in range(3)] for r in range(3)]
W = V
b_new = b  # W = I

# Experimental blocks: delta-lambda = diag(E), delta-b' = |delta-b|. All eigenvalues are
# negative, so the semi-axes' errors come from the negated quadric.
dlam = [e[0], e[1], e[2]]
db_new = [abs(x) for x in e[6:9]]
axes_exp, daxes = semi_axes_with_errors(lam, b_new, dlam, db_new, c, e[9])

# Canonical form: a_k = sqrt(K'/lambda_k) with K' = sum b'^2/lambda - c of the unnegated form.
K0 = sum(b_new[k] ** 2 / lam[k] for k in range(3)) - c
axes = [sqrt(K0 / lam[k]) for k in range(3)]
shift = [b_new[k] / lam[k] for k in range(3)]


def E43(x):
    return exponent(x, 4, 3)


# Both check boxes on: W = I, so the atoms are merely shifted by s (exactly).
lines = report_lines(
    {"q": q, "inverse_precision": inverse_precision, "rotation_precision": rotation_precision,
     "centre_texts": [S(x) for x in centre_stored],
     "centre_e43": [E43(x) for x in centre_stored],
     "invariants": (I1, I2, I3), "V": V, "lam": lam, "W": W, "b_new": b_new, "dlam": dlam,
     "db_new": db_new, "experimental_axes": axes_exp, "experimental_errors": daxes,
     "axes": axes, "stored_axes": [to_double(x) for x in axes], "shift": shift,
     "moved": [[fixed(v + shift[k], 9, 6) for k, v in enumerate(atom)] for atom in atoms],
     "errors": errors},
    {"S": S, "G10": lambda x: general(x, 10, 10), "E43": E43, "general": general,
     "exponent": exponent, "fixed": fixed})

sys.stdout.write("".join(line + "\n" for line in lines))
