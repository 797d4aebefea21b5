#!/usr/bin/env python3
"""Derives the expected fit reports of the golden tests by exact rational arithmetic.

Run once from this folder (python3 derive_fit_report.py); it writes
  fixture.txt                 60 lines "x y z dx dy dz": the coordinates and uncertainties
  least_squares_report.txt    the 81 lines of the least-squares report
  marquardt_report.txt        the 81 lines of the Levenberg-Marquardt report (default settings)

The fixture: 60 directions spread by the golden-angle spiral, mapped onto a tilted ellipsoid
with semi-axes 1.3, 1.0, 0.8 centred at (0.3, -0.2, 0.1), each moved off the surface by up to
2 % so that no residual is zero, and rounded to multiples of 1/4096. The uncertainties are
multiples of 1/1024, a few of them negative (the linear columns of the design uncertainty keep
their sign). Every input is therefore a dyadic fraction, held exactly by a 64-bit real.

Nothing here reuses the program's code or its order of operations. The least-squares solution
is solved exactly with fractions.Fraction (Gauss-Jordan on the normal equations), the quadric
values, norms and coefficient errors follow from it exactly; the only irrational quantities,
the square roots of the design uncertainty and of the norms, are taken with 60-digit decimals.
Numbers are written by a formatter written here from the number-format rules: 18 significant
digits rounded half to even, then rounded half up at the requested digit, trailing zeros
dropped. The Levenberg-Marquardt report with the default settings (100 cycles) is the
least-squares solution, which the damped iteration reaches long before its last cycle.

The extended-precision program and this exact calculation differ by rounding (about 1e-17
relative for this well-conditioned fixture), so the script refuses any printed value that lies
within 1e-15 (times the largest coefficient, for coefficients and their errors) of a rounding
boundary of its printed digits.
"""

import math
from decimal import Decimal, getcontext
from fractions import Fraction

getcontext().prec = 60

ATOMS = 60
# Bound on the absolute rounding error of the program's quadric values and norms, and (scaled
# by the largest coefficient) of its coefficients and coefficient errors. The normal matrix of
# the fixture has a condition number of about 47, so the extended results are within about
# 1e-17 of the exact ones; the bound leaves a factor of 100.
ERROR = Fraction(1, 10**15)


def dyadic(value, denominator):
    return Fraction(round(value * denominator), denominator)


def build_fixture():
    golden = math.pi * (3 - math.sqrt(5))
    tilt = 0.35  # radians about the axis (1, 1, 1)/sqrt(3)
    c, s = math.cos(tilt), math.sin(tilt)
    u = [1 / math.sqrt(3)] * 3
    # Rodrigues: R = cos·I + sin·[u]x + (1 - cos)·u·uT.
    cross = [[0, -u[2], u[1]], [u[2], 0, -u[0]], [-u[1], u[0], 0]]
    rotation = [[(c if i == j else 0) + s * cross[i][j] + (1 - c) * u[i] * u[j]
                 for j in range(3)] for i in range(3)]
    semi_axes = (1.3, 1.0, 0.8)
    centre = (0.3, -0.2, 0.1)
    points, errors = [], []
    for i in range(ATOMS):
        z = 1 - (2 * i + 1) / ATOMS
        r = math.sqrt(1 - z * z)
        phi = golden * i
        direction = (r * math.cos(phi), r * math.sin(phi), z)
        scale = 1 + 0.02 * math.sin(7.0 * i + 1)
        local = [semi_axes[k] * direction[k] * scale for k in range(3)]
        point = [centre[a] + sum(rotation[a][k] * local[k] for k in range(3)) for a in range(3)]
        points.append([dyadic(v, 4096) for v in point])
        error = [Fraction(1 + (i + k) % 5, 1024) for k in range(3)]
        if i % 7 == 3:
            error[2] = -error[2]
        errors.append(error)
    return points, errors


def sqrt_fraction(value):
    root = Decimal(value.numerator).sqrt() / Decimal(value.denominator).sqrt()
    return Fraction(root)


def design_row(p):
    x, y, z = p
    return [x * x, y * y, z * z, x * y, y * z, x * z, x, y, z]


def uncertainty_row(p, d):
    x, y, z = p
    dx, dy, dz = d
    return [abs(2 * x * dx), abs(2 * y * dy), abs(2 * z * dz),
            sqrt_fraction((dx * y) ** 2 + (x * dy) ** 2),
            sqrt_fraction((dy * z) ** 2 + (y * dz) ** 2),
            sqrt_fraction((dx * z) ** 2 + (x * dz) ** 2),
            dx, dy, dz]


def least_squares(rows):
    """Solves rows·A = -1 in the least-squares sense through the normal equations."""
    n = [[sum(r[a] * r[b] for r in rows) for b in range(9)] for a in range(9)]
    rhs = [-sum(r[a] for r in rows) for a in range(9)]
    m = [n[a] + [rhs[a]] for a in range(9)]
    for col in range(9):
        pivot = next(r for r in range(col, 9) if m[r][col] != 0)
        m[col], m[pivot] = m[pivot], m[col]
        m[col] = [v / m[col][col] for v in m[col]]
        for r in range(9):
            if r != col and m[r][col] != 0:
                f = m[r][col]
                m[r] = [a - f * b for a, b in zip(m[r], m[col])]
    return [m[a][9] for a in range(9)]


def quadric_value(a, p):
    return sum(c * t for c, t in zip(a, design_row(p))) + 1


def decimal_digits(value):
    """(digits, e) of |value| = 0.d1d2... x 10^e, 18 digits rounded half to even."""
    v = abs(value)
    e = 0
    while v >= 1:
        v /= 10
        e += 1
    while v < Fraction(1, 10):
        v *= 10
        e -= 1
    scaled = v * 10**18
    whole = scaled.numerator // scaled.denominator
    rest = scaled - whole
    if rest > Fraction(1, 2) or (rest == Fraction(1, 2) and whole % 2 == 1):
        whole += 1
    if whole == 10**18:
        whole //= 10
        e += 1
    return str(whole), e


def check_margin(value, n, error):
    """Refuses a value whose extended-precision twin, up to `error` away, could print
    differently: the exact value must be farther than `error` from every half-way point
    between two n-digit decimals."""
    if value == 0:
        raise ValueError("a printed value is exactly zero")
    digits, e = decimal_digits(value)
    unit = Fraction(10) ** (e - n)
    scaled = abs(value) / unit
    fraction = scaled - scaled.numerator // scaled.denominator
    if abs(fraction - Fraction(1, 2)) * unit <= error:
        raise ValueError(f"{float(value)!r} is within {float(error)} of a rounding boundary")


def rounded_digits(value, n):
    digits, e = decimal_digits(value)
    kept = digits[:n]
    if digits[n] >= "5":
        number = int(kept) + 1
        if len(str(number)) > n:
            kept, e = "1", e + 1
        else:
            kept = str(number)
    return kept.rstrip("0"), e


def exponent_part(x, digits, always_sign):
    width = digits if 0 <= digits <= 4 else 0
    sign = "-" if x < 0 else ("+" if always_sign else "")
    return "E" + sign + str(abs(x)).zfill(max(width, 1))


def format_general(value, p, d, error):
    check_margin(value, p, error)
    digits, e = rounded_digits(value, p)
    sign = "-" if value < 0 else ""
    if -3 <= e <= p:
        if e <= 0:
            return sign + "0." + "0" * -e + digits
        head = digits[:e].ljust(e, "0")
        tail = digits[e:]
        return sign + head + ("." + tail if tail else "")
    tail = digits[1:]
    return sign + digits[0] + ("." + tail if tail else "") + exponent_part(e - 1, d, False)


def format_exponent(value, p, d, error):
    check_margin(value, p, error)
    digits, e = rounded_digits(value, p)
    sign = "-" if value < 0 else ""
    return sign + digits[0] + "." + digits[1:].ljust(p - 1, "0") + exponent_part(e - 1, d, True)


def norm(values):
    return sqrt_fraction(sum(v * v for v in values))


def equation(a, ending, error):
    """The equation line; only the Y^2 coefficient is written in exponent form."""
    texts = [format_general(v, 10, 10, error) for v in a]
    texts[1] = format_exponent(a[1], 10, 10, error)
    names = ["X^2", "Y^2", "Z^2", "XY", "YZ", "XZ", "X", "Y", "Z"]
    return ("(" + texts[0] + ")" + names[0]
            + "".join("+(" + texts[k] + ")" + names[k] for k in range(1, 9)) + ending)


def residual_lines(values):
    return [f"F(A){i + 1} = {format_general(v, 4, 10, ERROR)} " for i, v in enumerate(values)]


def main():
    points, errors = build_fixture()
    rows = [design_row(p) for p in points]
    a = least_squares(rows)
    shifted = [[t + dt for t, dt in zip(design_row(p), uncertainty_row(p, d))]
               for p, d in zip(points, errors)]
    da = [x - y for x, y in zip(a, least_squares(shifted))]
    f = [quadric_value(a, p) for p in points]
    precision = format_general(Fraction(1e-10), 10, 10, 0)
    coefficient_error = ERROR * max(abs(v) for v in a)

    least = [" ", "Нахождение уравнения эллипсоида методом МНК:", " ",
             "Точность нахождения обратной матрицы: " + precision,
             " ", "Реальные значения левой части уравнения эллипсоида:"]
    least += residual_lines(f)
    least += [" ", "|F|/60 = " + format_general(norm(f) / 60, 4, 10, ERROR)]
    least += [" ", "Значения параметров уравнения эллипсоида:"]
    least += [f"A{k + 1} = {format_general(a[k], 10, 10, coefficient_error)} ± {format_general(abs(da[k]), 10, 10, coefficient_error)}"
              for k in range(9)]
    least += ["Уравнение эллипсоида:", equation(a, "+1=0", coefficient_error)]

    marquardt = [" ", "Нахождение уравнения эллипсоида методом Левенберга-Маркварда:", " ",
                 "Точность нахождения обратной матрицы: " + precision,
                 " ", "Реальные значения левой части уравнения эллипсоида:"]
    marquardt += residual_lines(f)
    marquardt += [" ", "|F| = " + format_general(norm(f), 4, 10, ERROR)]
    marquardt += [" ", "Значения параметров уравнения эллипсоида:"]
    marquardt += [f"A{k + 1} = {format_general(a[k], 10, 10, coefficient_error)} " for k in range(9)]
    marquardt += ["Уравнение эллипсоида:", equation(a, "+1 = 0", coefficient_error)]

    assert len(least) == 81 and len(marquardt) == 81
    with open("fixture.txt", "w", encoding="utf-8") as out:
        for p, d in zip(points, errors):
            out.write(" ".join(str(Decimal(v.numerator) / Decimal(v.denominator))
                               for v in p + d) + "\n")
    for name, lines in (("least_squares_report.txt", least),
                        ("marquardt_report.txt", marquardt)):
        with open(name, "w", encoding="utf-8") as out:
            out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
