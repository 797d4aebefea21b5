#!/usr/bin/python3
"""The peer of fit_bench's least-squares case: a plain float64 ellipsoid fit of the same 60
points with numpy.linalg.lstsq and eigh, without any error estimate.

Prints the median time of one fit in microseconds (the median of timeit's repeats), and
with --check the coefficients, so that the fit can be compared with ovalon's."""

import argparse
import math
import statistics
import timeit

import numpy


def spiral(count=60):
    """The golden-angle spiral of tests/support/points.h on the unit sphere."""
    golden = math.pi * (3 - math.sqrt(5.0))
    i = numpy.arange(1, count + 1, dtype=float)
    z = 1 - (2.0 * i - 1) / count
    r = numpy.sqrt(1 - z * z)
    phi = golden * (i - 1)
    return r * numpy.cos(phi), r * numpy.sin(phi), z


def cage():
    """fit_bench's cage: the spiral tilted, stretched and shifted."""
    ux, uy, uz = spiral()
    x = 0.3 + 1.3 * ux + 0.1 * uz
    y = -0.2 + 1.0 * uy
    z = 0.1 + 0.8 * uz + 0.05 * ux
    return x, y, z


def fit(x, y, z):
    """A1..A9 of A1·x² + … + A9·z + 1 = 0 by least squares, and the eigenvalues and axes of
    the quadratic part."""
    d = numpy.column_stack((x * x, y * y, z * z, x * y, y * z, x * z, x, y, z))
    a = numpy.linalg.lstsq(d, -numpy.ones(len(x)), rcond=None)[0]
    s = numpy.array([[a[0], a[3] / 2, a[5] / 2],
                     [a[3] / 2, a[1], a[4] / 2],
                     [a[5] / 2, a[4] / 2, a[2]]])
    return a, numpy.linalg.eigh(s)


def median_us(call, repeats, number):
    """The median over `repeats` timeit runs of `number` calls, per call, in microseconds."""
    times = timeit.repeat(call, repeat=repeats, number=number)
    return statistics.median(times) / number * 1e6


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--repeats", type=int, default=21)
    parser.add_argument("--number", type=int, default=2000)
    parser.add_argument("--check", action="store_true", help="print the coefficients")
    args = parser.parse_args()
    x, y, z = cage()
    if args.check:
        print(" ".join(repr(float(v)) for v in fit(x, y, z)[0]))
    median = median_us(lambda: fit(x, y, z), args.repeats, args.number)
    print(f"numpy_peer_fit_median_us {median:.2f}")


if __name__ == "__main__":
    main()
