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

from decimal import Decimal, getcontext
from fractions import Fraction as F
import math
import sys

getcontext().prec = 60


def exact(x):
    """A Decimal or float as an exact Fraction."""
    return F(x)


def sqrt(x):
    return F((Decimal(x.numerator) / Decimal(x.denominator)).sqrt())


def power(x, y):
    """x^y for x > 0 and a non-integral y, to 60 digits."""
    dx = Decimal(x.numerator) / Decimal(x.denominator)
    dy = Decimal(y.numerator) / Decimal(y.denominator)
    return F((dy * dx.ln()).exp())


# ---- number formats -------------------------------------------------------------------

def digits18(v):
    """(digit string of 18 digits, exponent e) with |v| = 0.d1d2... x 10^e."""
    a = abs(v)
    e = 0
    while a >= 1:
        a /= 10
        e += 1
    while a < F(1, 10):
        a *= 10
        e -= 1
    n = round(abs(v) * F(10) ** (18 - e))  # Fraction rounding: half to even
    if n == 10**18:
        n //= 10
        e += 1
    return str(n), e


def keep(ds, e, n):
    """Rounds the 18-digit string at digit n; returns (digits without trailing zeros, e)."""
    if n >= 18:
        kept = ds
    elif n <= 0:
        kept = "1" if n == 0 and ds[0] >= "5" else ""
        if kept:
            e += 1
        return kept, e
    else:
        kept = ds[:n]
        if ds[n] >= "5":
            k = int(kept) + 1
            if len(str(k)) > n:
                return "1", e + 1
            kept = str(k)
    return kept.rstrip("0"), e


def clamp(p):
    return min(max(p, 2), 18)


def exponent_part(x, d, always_sign):
    w = d if 0 <= d <= 4 else 1
    sign = "-" if x < 0 else ("+" if always_sign else "")
    return "E" + sign + str(abs(x)).zfill(w)


def general(v, p, d):
    p = clamp(p)
    if v == 0:
        return "0"
    ds, e = digits18(v)
    ds, e = keep(ds, e, p)
    if ds == "":
        return "0"
    sign = "-" if v < 0 else ""
    if -3 <= e <= p:
        if e <= 0:
            return sign + "0." + "0" * (-e) + ds
        head = ds[:e].ljust(e, "0")
        return sign + head + ("." + ds[e:] if len(ds) > e else "")
    return sign + ds[0] + ("." + ds[1:] if len(ds) > 1 else "") + exponent_part(e - 1, d, False)


def exponent(v, p, d):
    p = clamp(p)
    if v == 0:
        return "0." + "0" * (p - 1) + exponent_part(0, d, True)
    ds, e = digits18(v)
    ds, e = keep(ds, e, p)
    sign = "-" if v < 0 else ""
    return sign + ds[0] + "." + ds[1:].ljust(p - 1, "0") + exponent_part(e - 1, d, True)


def fixed(v, p, d):
    p = clamp(p)
    d = min(d, 18)
    if v == 0:
        ds, e = "", 0
    else:
        ds, e = digits18(v)
        if e > p:
            return general(v, p, d)
        if e + d < 0:
            ds, e = "", 0
        else:
            ds, e = keep(ds, e, min(p, e + d))
    sign = "-" if v < 0 and ds else ""
    if ds == "":
        e = 0
    text = "0" if e <= 0 else ds[:e].ljust(e, "0")
    if d > 0:
        decimals = ("0" * (-e) if e < 0 else "") + ds[max(e, 0):]
        text += "." + decimals.ljust(d, "0")
    return sign + text


def checked(convert):
    """The conversion, refusing a value whose text would change within a relative 1e-16:
    such a value sits at a rounding tie, where the program's extended rounding could reach
    another text."""
    def text_of(v, p, d):
        text = convert(v, p, d)
        if v != 0:
            for factor in (F(1) - F(1, 10**16), F(1) + F(1, 10**16)):
                assert convert(v * factor, p, d) == text, ("tie", float(v), text)
        return text
    return text_of


general, exponent, fixed = checked(general), checked(exponent), checked(fixed)


def S(v):
    return general(v, 15, 0)


def to_double(v):
    """The 64-bit value nearest to v, checked to lie well away from a rounding midpoint."""
    d = float(Decimal(v.numerator) / Decimal(v.denominator))
    ulp = F(math.ulp(d))
    offset = abs(v - F(d))
    assert offset < ulp * F(499, 1000), "too near a midpoint"
    return F(d)


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

lines = []
out = lines.append

out(" ")
out("Центр эллипсоида до преобразований:")
out("O ( " + "; ".join(S(x) for x in centre_stored) + " )")

a11, a22, a33, a12, a23, a13 = q[0:6]
I1 = a11 + a22 + a33
I2 = a11 * a22 - a12 * a12 + a11 * a33 - a13 * a13 + a22 * a33 - a23 * a23
I3 = a11 * a22 * a33
out(" ")
out("Этапы нахождение канонического уравнения.")
out(" ")
out("Точность нахождения обратной матрицы: " + general(inverse_precision, 10, 10))
out("Точность нахождения собственных значений(метод вращения): "
    + general(rotation_precision, 10, 10))

terms = [")X^2", ")Y^2", ")Z^2", ")XY", ")YZ", ")XZ", ")X", ")Y", ")Z", ") = 0"]
texts = [exponent(x, 10, 10) if k == 1 else general(x, 10, 10) for k, x in enumerate(q)]
out(" ")
out("Исходное уравнение:")
out("(" + "+(".join(t + term for t, term in zip(texts, terms)))

out(" ")
out("Инварианты к поворотам и сдвигам:")
for k, x in enumerate((I1, I2, I3), 1):
    out("I%d = %s" % (k, S(x)))

M = [[a11, a12, a13], [a12, a22, a23], [a13, a23, a33]]
V = [[F(int(r == k)) for k in range(3)] for r in range(3)]
W = V


def E43(x):
    return exponent(x, 4, 3)


out(" ")
out("Матрица квадратной формы:")
for row in M:
    out("   ".join(E43(x) for x in row))
out(" ")
out("Матрица преобразования базисных векторов при повороте, канонизирующем квадратную форму"
    " из уравнения эллипсоида:")
for row in V:
    out("   ".join(E43(x) for x in row))

out(" ")
out("Оси эллипсоида в непреобразованных координатах(уравнения прямых):")
for r in range(3):
    out("(X-(%s))/(%s)=(Y-(%s))/(%s)=(Z-(%s))/(%s)" % (
        E43(centre_stored[0]), E43(V[0][r]), E43(centre_stored[1]), E43(V[1][r]),
        E43(centre_stored[2]), E43(V[2][r])))

out(" ")
out("Собственные значения матрицы квадратной формы:")
for k in range(3):
    out("Lambda%d = %s" % (k + 1, S(lam[k])))

b_new = b  # W = I
out(" ")
out("Новые коэффициенты линейной формы:")
for label, x in zip("xyz", b_new):
    out("при %s      %s" % (label, E43(x)))
out("свободный  1")

# Experimental blocks: delta-lambda = diag(E), delta-b' = |delta-b|.
dlam = [e[0], e[1], e[2]]
db_new = [abs(x) for x in e[6:9]]


def G10(x):
    return general(x, 10, 10)


def experimental(heading, values, errs):
    out(heading)
    for k in range(3):
        out("%d    %s  ± %s" % (k + 1, G10(values[k]), G10(errs[k])))


experimental("Experimental L", lam, dlam)
experimental("Experimental B", b_new, db_new)

# Semi-axes with errors. All eigenvalues are negative, so the quadric is negated first.
sl = [-x for x in lam]
sb = [-x for x in b_new]
sdl = [-x for x in dlam]
sdb = [-x for x in db_new]
sc = -c
sdc = -e[9]
K = sum(sb[k] ** 2 / sl[k] for k in range(3)) - sc
r = sqrt(K)
D = [None] * 8
for k in range(3):
    D[k + 1] = sb[k] / (sl[k] * r) * sdb[k]
    D[5 + k] = sb[k] ** 2 / (sl[k] ** 2 * 2 * r) * sdl[k]
D[4] = 1 / (r * 2) * sdc
axes_exp, daxes = [], []
for k in range(3):
    root = sqrt(sl[k])
    axes_exp.append(r / root)
    T = (D[5 + k] + r / (sl[k] * 2) * sdl[k]) ** 2
    total = T + sum(D[m] ** 2 for m in range(1, 8) if m != 5 + k)
    daxes.append(sqrt(total) / root)
out("")
experimental("Experimental ABC", axes_exp, daxes)

# Canonical form: a_k = sqrt(K'/lambda_k) with K' = sum b'^2/lambda - c of the unnegated form.
K0 = sum(b_new[k] ** 2 / lam[k] for k in range(3)) - c
axes = [sqrt(K0 / lam[k]) for k in range(3)]
out(" ")
out("Каноническое уравнение в новом базисе:")
out("(Xnew / %s)^2+(Ynew / %s)^2+(Znew / %s)^2 = 1" % tuple(S(x) for x in axes))
out(" ")
out("Длины осей:")
for x in axes:
    out(" " * 15 + S(x) + " Å")

shift = [b_new[k] / lam[k] for k in range(3)]
rows = ["| " + " ".join(fixed(x, 4, 5) for x in row) for row in W]
width = max(len(x) for x in rows) + 1
rows = [x.ljust(width) for x in rows]
shifts = [fixed(x, 7, 5) for x in shift]
width = max(len(x) for x in shifts) + 1
shifts = [x.ljust(width) for x in shifts]
out(" ")
out("Преобразование координат, канонизирующее уравнение эллипсоида:")
out("|Xnew|   " + rows[0] + "| |X|   |" + shifts[0] + "|")
out("|Ynew| = " + rows[1] + "| |Y| + |" + shifts[1] + "|")
out("|Znew|   " + rows[2] + "| |Z|   |" + shifts[2] + "|")

# Volume and surface from the stored 64-bit semi-axes.
A, B, C = (to_double(x) for x in axes)
four_pi = F(Decimal("12.566370614359172954"))
p = exact(1.6075)
volume = four_pi * A * B * C / 3
volume_radius = power(A * B * C, F(1, 3))
P = power(A * B, p) + power(A * C, p) + power(C * B, p)
surface = four_pi * power(P / 3, 1 / p)
surface_radius = power(P / 3, 1 / (2 * p))


def F75(x):
    return fixed(x, 7, 5)


out(" ")
out("Обьем эллипсоида: " + F75(volume) + " Å^3")
out("Соответвующий радиус сферы по объему: " + F75(volume_radius) + " Å")
out(" ")
out("Площадь поверхности эллипсоида: " + F75(surface) + " Å^2")
out("Соответвующий радиус сферы по площади поверхности: " + F75(surface_radius) + " Å")

# Both check boxes on: W = I, so the atoms are merely shifted by s (exactly).
out(" ")
out("Преобразованые координаты:")
for i, (x, y, z) in enumerate(atoms, 1):
    moved = (x + shift[0], y + shift[1], z + shift[2])
    out("C%d %s" % (i, " ".join(fixed(v, 9, 6) for v in moved)))
for i, err in enumerate(errors, 1):
    out("err%d %s" % (i, " ".join(fixed(v, 9, 6) for v in err)))

sys.stdout.write("".join(line + "\n" for line in lines))
