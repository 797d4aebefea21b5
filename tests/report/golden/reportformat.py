"""The number formats of the reports and exact helpers, for the scripts that derive golden
reports independently of the program.

The formats are written here from their rules: 18 significant digits rounded half to even,
then rounded half up at the kept digit, trailing zeros dropped. Values are exact Fractions.
"""

from decimal import Decimal, getcontext
from fractions import Fraction as F
import math

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


def checked(convert, tolerance=F(1, 10**16)):
    """The conversion, refusing a value whose text would change within a relative `tolerance`
    (1e-16 unless given): such a value sits at a rounding tie, where the program's extended
    rounding could reach another text."""
    def text_of(v, p, d):
        text = convert(v, p, d)
        if v != 0:
            for factor in (F(1) - tolerance, F(1) + tolerance):
                assert convert(v * factor, p, d) == text, ("tie", float(v), text)
        return text
    return text_of


def stored(convert, v, p, d):
    """The text of the 64-bit value that the program stores for the exact value v: refused when
    either neighbour of the nearest 64-bit value would be written otherwise, since the
    program's extended result may round to a neighbour."""
    x = float(Decimal(v.numerator) / Decimal(v.denominator))
    texts = {convert(F(y), p, d) for y in (math.nextafter(x, -math.inf), x,
                                           math.nextafter(x, math.inf))}
    assert len(texts) == 1, ("stored value near a tie", x, texts)
    return texts.pop()


general_text, exponent_text, fixed_text = general, exponent, fixed
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
