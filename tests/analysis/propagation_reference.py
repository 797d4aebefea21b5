#!/usr/bin/python3
"""Independent reference values for the shape uncertainties of a 12-atom cage.

Written with numpy and scipy in 64-bit arithmetic, sharing no code with the program: the fit by
numpy.linalg.lstsq, the eigenvalues by numpy.linalg.eigh, the exact surface by
scipy.special.elliprg, and every derivative by central differences of that whole chain.
Prints the expected values of propagation_test.cpp's tiny case.
"""
import numpy as np
from scipy.special import elliprg

# Twelve atoms of the golden-angle spiral on the ellipsoid with semi-axes 2.0, 1.6, 1.3, turned
# about z by 0.5 rad, centred at (0.2, -0.1, 0.3), with normal noise of 0.03 (numpy's generator,
# seed 7), rounded to four decimals as a coordinate file would give them.
ATOMS = np.array([
    [0.9015, 0.2922, 1.4834], [-1.0255, 0.0461, 1.2453], [0.9471, -1.1278, 1.0436],
    [0.5988, 1.4580, 0.8524], [-1.3409, -1.2789, 0.6241], [2.1069, -0.0851, 0.3946],
    [-1.0493, 0.9645, 0.1364], [0.0688, -1.7725, -0.0169], [1.4642, 1.1510, -0.3172],
    [-1.3716, -0.3862, -0.4549], [1.1057, -0.6867, -0.7044], [0.0932, 0.5820, -0.9159],
])
SIGMA = np.array([[0.001 + 0.001 * (i % 5), 0.005 - 0.001 * (i % 3), 0.002 + 0.001 * (i % 4)]
                  for i in range(len(ATOMS))])


def design(p):
    x, y, z = p[:, 0], p[:, 1], p[:, 2]
    return np.column_stack([x * x, y * y, z * z, x * y, y * z, x * z, x, y, z])


def fit(p):
    return np.linalg.lstsq(design(p), -np.ones(len(p)), rcond=None)[0]


def shape(a):
    q = np.array([[a[0], a[3] / 2, a[5] / 2], [a[3] / 2, a[1], a[4] / 2],
                  [a[5] / 2, a[4] / 2, a[2]]])
    b = a[6:9] / 2
    centre = -np.linalg.solve(q, b)
    k = b @ np.linalg.solve(q, b) - 1
    semi = np.sort(np.sqrt(k / np.linalg.eigvalsh(q)))[::-1]
    sa, sb, sc = semi
    volume = 4 * np.pi / 3 * sa * sb * sc
    surface = 4 * np.pi * elliprg((sb * sc) ** 2, (sc * sa) ** 2, (sa * sb) ** 2)
    return np.array([sa, sb, sc, volume, surface, *centre])


def linear_sd(p, sigma, h=1e-5):
    variance = np.zeros(8)
    for i in range(len(p)):
        for u in range(3):
            up, down = p.copy(), p.copy()
            up[i, u] += h
            down[i, u] -= h
            derivative = (shape(fit(up)) - shape(fit(down))) / (2 * h)
            variance += (sigma[i, u] * derivative) ** 2
    return np.sqrt(variance)


def scatter_sd(p):
    a = fit(p)
    d = design(p)
    residuals = d @ a + 1
    s2 = residuals @ residuals / (len(p) - 9)
    covariance = s2 * np.linalg.inv(d.T @ d)
    gradient = np.zeros((8, 9))
    for j in range(9):
        h = 1e-6 * abs(a[j])
        up, down = a.copy(), a.copy()
        up[j] += h
        down[j] -= h
        gradient[:, j] = (shape(up) - shape(down)) / (2 * h)
    return np.sqrt(np.einsum("nj,jk,nk->n", gradient, covariance, gradient))


if __name__ == "__main__":
    print("shape   ", " ".join(f"{v:.10g}" for v in shape(fit(ATOMS))))
    print("lin_sd  ", " ".join(f"{v:.10g}" for v in linear_sd(ATOMS, SIGMA)))
    print("fit_sd  ", " ".join(f"{v:.10g}" for v in scatter_sd(ATOMS)))
