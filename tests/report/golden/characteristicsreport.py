"""The characteristics report assembled from quantities that a golden script has derived.

A script computes the numbers of its fixture in its own way (exact rationals, or 50-digit
arithmetic) and hands them here with its number formats; this module writes the lines in the
order and layout of the report, and computes what follows from the numbers by the textbook
formulas: the first-order errors of the semi-axes, volume, surface and equivalent radii.
"""

from decimal import Decimal
from fractions import Fraction as F

from reportformat import exact, power, sqrt

FOUR_PI = F(Decimal("12.566370614359172954"))
THOMSEN = exact(1.6075)


def semi_axes_with_errors(lam, b_new, dlam, db_new, c, dc):
    """The semi-axes r/sqrt(lambda_k) and their first-order errors; a quadric whose three
    eigenvalues are negative is negated first, as the program does."""
    if all(x < 0 for x in lam):
        lam, b_new, dlam, db_new = ([-x for x in v] for v in (lam, b_new, dlam, db_new))
        c, dc = -c, -dc
    K = sum(b_new[k] ** 2 / lam[k] for k in range(3)) - c
    r = sqrt(K)
    D = [None] * 8
    for k in range(3):
        D[k + 1] = b_new[k] / (lam[k] * r) * db_new[k]
        D[5 + k] = b_new[k] ** 2 / (lam[k] ** 2 * 2 * r) * dlam[k]
    D[4] = 1 / (r * 2) * dc
    axes, errors = [], []
    for k in range(3):
        root = sqrt(lam[k])
        axes.append(r / root)
        T = (D[5 + k] + r / (lam[k] * 2) * dlam[k]) ** 2
        total = T + sum(D[m] ** 2 for m in range(1, 8) if m != 5 + k)
        errors.append(sqrt(total) / root)
    return axes, errors


def report_lines(d, fmt):
    """The lines of the report with both check boxes on.

    d: q, inverse_precision, rotation_precision, centre_texts (S of the stored centre),
    centre_e43 (E(4, 3) of it), invariants, V, lam, W, b_new, dlam, db_new, experimental_axes
    and experimental_errors, axes, stored_axes (the 64-bit semi-axes), shift, moved (the texts
    of the transformed atoms, three per atom) and errors (the atoms' uncertainties).
    fmt: the conversions S, G10, E43, general, exponent and fixed of the script.
    """
    lines = []
    out = lines.append
    S, G10, E43 = fmt["S"], fmt["G10"], fmt["E43"]
    general, exponent, fixed = fmt["general"], fmt["exponent"], fmt["fixed"]
    q = d["q"]

    out(" ")
    out("Центр эллипсоида до преобразований:")
    out("O ( " + "; ".join(d["centre_texts"]) + " )")
    out(" ")
    out("Этапы нахождение канонического уравнения.")
    out(" ")
    out("Точность нахождения обратной матрицы: " + general(d["inverse_precision"], 10, 10))
    out("Точность нахождения собственных значений(метод вращения): "
        + general(d["rotation_precision"], 10, 10))

    terms = [")X^2", ")Y^2", ")Z^2", ")XY", ")YZ", ")XZ", ")X", ")Y", ")Z", ") = 0"]
    texts = [exponent(x, 10, 10) if k == 1 else general(x, 10, 10) for k, x in enumerate(q)]
    out(" ")
    out("Исходное уравнение:")
    out("(" + "+(".join(t + term for t, term in zip(texts, terms)))

    out(" ")
    out("Инварианты к поворотам и сдвигам:")
    for k, x in enumerate(d["invariants"], 1):
        out("I%d = %s" % (k, S(x)))

    a11, a22, a33, a12, a23, a13 = q[0:6]
    M = [[a11, a12, a13], [a12, a22, a23], [a13, a23, a33]]
    V = d["V"]
    out(" ")
    out("Матрица квадратной формы:")
    for row in M:
        out("   ".join(E43(x) for x in row))
    out(" ")
    out("Матрица преобразования базисных векторов при повороте, канонизирующем квадратную форму"
        " из уравнения эллипсоида:")
    for row in V:
        out("   ".join(E43(x) for x in row))

    c43 = d["centre_e43"]
    out(" ")
    out("Оси эллипсоида в непреобразованных координатах(уравнения прямых):")
    for r in range(3):
        out("(X-(%s))/(%s)=(Y-(%s))/(%s)=(Z-(%s))/(%s)" % (
            c43[0], E43(V[0][r]), c43[1], E43(V[1][r]), c43[2], E43(V[2][r])))

    out(" ")
    out("Собственные значения матрицы квадратной формы:")
    for k in range(3):
        out("Lambda%d = %s" % (k + 1, S(d["lam"][k])))

    out(" ")
    out("Новые коэффициенты линейной формы:")
    for label, x in zip("xyz", d["b_new"]):
        out("при %s      %s" % (label, E43(x)))
    out("свободный  1")

    def experimental(heading, values, errs):
        out(heading)
        for k in range(3):
            out("%d    %s  ± %s" % (k + 1, G10(values[k]), G10(errs[k])))

    experimental("Experimental L", d["lam"], d["dlam"])
    experimental("Experimental B", d["b_new"], d["db_new"])
    out("")
    experimental("Experimental ABC", d["experimental_axes"], d["experimental_errors"])

    axes = d["axes"]
    out(" ")
    out("Каноническое уравнение в новом базисе:")
    out("(Xnew / %s)^2+(Ynew / %s)^2+(Znew / %s)^2 = 1" % tuple(S(x) for x in axes))
    out(" ")
    out("Длины осей:")
    for x in axes:
        out(" " * 15 + S(x) + " Å")

    rows = ["| " + " ".join(fixed(x, 4, 5) for x in row) for row in d["W"]]
    width = max(len(x) for x in rows) + 1
    rows = [x.ljust(width) for x in rows]
    shifts = [fixed(x, 7, 5) for x in d["shift"]]
    width = max(len(x) for x in shifts) + 1
    shifts = [x.ljust(width) for x in shifts]
    out(" ")
    out("Преобразование координат, канонизирующее уравнение эллипсоида:")
    out("|Xnew|   " + rows[0] + "| |X|   |" + shifts[0] + "|")
    out("|Ynew| = " + rows[1] + "| |Y| + |" + shifts[1] + "|")
    out("|Znew|   " + rows[2] + "| |Z|   |" + shifts[2] + "|")

    # Volume and surface from the stored 64-bit semi-axes; the surface by Thomsen's formula.
    A, B, C = d["stored_axes"]
    p = THOMSEN
    volume = FOUR_PI * A * B * C / 3
    volume_radius = power(A * B * C, F(1, 3))
    P = power(A * B, p) + power(A * C, p) + power(C * B, p)
    surface = FOUR_PI * power(P / 3, 1 / p)
    surface_radius = power(P / 3, 1 / (2 * p))
    out(" ")
    out("Обьем эллипсоида: " + fixed(volume, 7, 5) + " Å^3")
    out("Соответвующий радиус сферы по объему: " + fixed(volume_radius, 7, 5) + " Å")
    out(" ")
    out("Площадь поверхности эллипсоида: " + fixed(surface, 7, 5) + " Å^2")
    out("Соответвующий радиус сферы по площади поверхности: " + fixed(surface_radius, 7, 5)
        + " Å")

    out(" ")
    out("Преобразованые координаты:")
    for i, moved in enumerate(d["moved"], 1):
        out("C%d %s" % (i, " ".join(moved)))
    for i, err in enumerate(d["errors"], 1):
        out("err%d %s" % (i, " ".join(fixed(v, 9, 6) for v in err)))
    return lines
