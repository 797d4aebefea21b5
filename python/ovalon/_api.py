"""The functions of the ovalon package over its compiled core, ovalon._core."""

from __future__ import annotations

import functools
import math
import os
import warnings
from typing import Any, Dict, List, NamedTuple, Optional, Sequence, Tuple, Union

import numpy as np

from ovalon import _core

Setting = Union[str, int, float]

_METHODS = {"lsq": True, "lm": False}


class SingularMatrixError(ArithmeticError):
    """A matrix of the fit or of the canonical form is singular to the inverse precision.

    The message is the window's own text for it.
    """


def _least_squares(method: str) -> bool:
    try:
        return _METHODS[method]
    except (KeyError, TypeError):
        raise ValueError(f'method must be "lsq" or "lm", not {method!r}') from None


def _setting_text(name: str, value: Optional[Setting], default: str) -> str:
    """A setting as the text the window would read from its field: a number in the shortest
    form that reads back to it (``1e-10``), a text as it stands, None as ``default``."""
    if value is None:
        return default
    if isinstance(value, str):
        return value
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise TypeError(f"{name} must be a number or a text, not {type(value).__name__}")
    return repr(value) if isinstance(value, float) else str(value)


def _fit_texts(method: str, cycles: Optional[Setting], start: Optional[Setting],
               lam: Optional[Setting], step: Optional[Setting],
               inverse_precision: Optional[Setting], rotation_precision: Optional[Setting],
               inverse_default: str = "", rotation_default: str = "") -> Any:
    return _core.FitTexts(
        _least_squares(method),
        _setting_text("inverse_precision", inverse_precision, inverse_default),
        _setting_text("rotation_precision", rotation_precision, rotation_default),
        _setting_text("cycles", cycles, ""),
        _setting_text("start", start, ""),
        _setting_text("lam", lam, ""),
        _setting_text("step", step, ""),
    )


def report(
    text: Union[str, bytes],
    *,
    method: str = "lsq",
    diagonals: bool = False,
    transform: bool = True,
    show_coords: bool = False,
    cycles: Optional[Setting] = None,
    start: Optional[Setting] = None,
    lam: Optional[Setting] = None,
    step: Optional[Setting] = None,
    inverse_precision: Optional[Setting] = None,
    rotation_precision: Optional[Setting] = None,
) -> List[str]:
    """The window's report lines for a 60-atom coordinate text, exactly as ``ovalon-report``
    prints them.

    The text is read as the window's "Заполнить координаты" reads it (lines starting "C" with
    x y z, lines starting ">" with their uncertainties, up to the first empty line); then come
    the maximum diagonals (with ``diagonals``), the fit report and the characteristics report.

    Parameters
    ----------
    text : str or bytes
        The coordinate text, or the bytes of a coordinate file (a byte-order mark selects UTF-8
        or UTF-16, as when the window opens a file).
    method : {"lsq", "lm"}
        Least squares (the window's "МНК") or Levenberg–Marquardt.
    diagonals : bool
        Also report the maximum diagonals, before the fit.
    transform : bool
        Transform the coordinates into the ellipsoid's frame (the window's first check box).
    show_coords : bool
        List the transformed coordinates (the window's second check box).
    cycles, start, lam, step : str, int or float, optional
        The Levenberg–Marquardt settings; None leaves the field empty, which means 100, 1, 1
        and 10.
    inverse_precision, rotation_precision : str, int or float, optional
        The precisions of the inverse matrix and of the rotation method; None means the
        window's "1E-10" and "1E-20".

    Every setting is a text, as typed into the window, or a number, taken as its shortest
    decimal form (``1e-10``); either is read in extended precision as the window reads it.

    Returns
    -------
    list of str
        The lines, without line breaks. Notices of the reading (too many or too few lines) are
        given as warnings. When every coordinate is zero the fit does not run: a warning, and
        only the diagonal lines, if asked for.

    Raises
    ------
    ValueError
        A field of the text is not a number (the window's "Неправильный формат строк файла!"),
        or a setting is not a number ("Проверьте правильности введенных данных!").
    SingularMatrixError
        A matrix is singular to the inverse precision.

    Examples
    --------
    >>> lines = ovalon.report(open("c60_ideal.xyz").read(), diagonals=True)
    >>> print("\\n".join(lines))
    """
    if isinstance(text, str):
        data = text.encode("utf-8")
    elif isinstance(text, (bytes, bytearray, memoryview)):
        data = bytes(text)
    else:
        raise TypeError(f"text must be str or bytes, not {type(text).__name__}")
    fit = _fit_texts(method, cycles, start, lam, step, inverse_precision, rotation_precision,
                     "1E-10", "1E-20")
    status, lines, notices = _core.report(data, fit, bool(transform), bool(show_coords),
                                          bool(diagonals))
    for notice in notices:
        warnings.warn(notice, stacklevel=2)
    if status == "format-error":
        raise ValueError(_core.FORMAT_ERROR_MESSAGE)
    if status == "invalid-input":
        raise ValueError(_core.INVALID_INPUT_MESSAGE)
    if status == "singular":
        raise SingularMatrixError(_core.SINGULAR_MATRIX_MESSAGE)
    if status == "not-run":
        warnings.warn(_core.NO_FIT_WARNING, stacklevel=2)
    return lines


def columns(monte_carlo: bool = False) -> List[str]:
    """The names of the summary's columns of a cage, in order: those of ``ovalon-report
    --summary`` after ``file``, ``frame``, ``line`` and ``comment``; with ``monte_carlo`` the
    ``mc_*`` columns too. They are the keys of :func:`analyse_frames` and ``Shape.to_dict()``."""
    return [name for name, _ in _core.columns(bool(monte_carlo))]


@functools.lru_cache(maxsize=64)
def _read_settings(least_squares: bool, texts: Tuple[str, ...], mc: int, seed: int) -> Any:
    return _core.settings(_core.FitTexts(least_squares, *texts), mc, seed)


def _analysis_settings(method: str = "lsq", cycles: Setting = 100, start: Setting = 1.0,
                       lam: Setting = 1.0, step: Setting = 10.0,
                       inverse_precision: Setting = 1e-10, rotation_precision: Setting = 1e-20,
                       mc: int = 0, seed: int = 0) -> Tuple[Any, bool]:
    """The settings of analyse and analyse_frames, read once for each set of texts, and whether
    they ask for Monte Carlo draws."""
    if isinstance(mc, bool) or not isinstance(mc, int) or mc < 0:
        raise ValueError(f"mc must be a whole number of draws, 0 or more, not {mc!r}")
    if isinstance(seed, bool) or not isinstance(seed, int) or not 0 <= seed < 2**64:
        raise ValueError(f"seed must be a whole number from 0 to 2**64 - 1, not {seed!r}")
    texts = tuple(_setting_text(name, value, "") for name, value in (
        ("inverse_precision", inverse_precision), ("rotation_precision", rotation_precision),
        ("cycles", cycles), ("start", start), ("lam", lam), ("step", step)))
    return _read_settings(_least_squares(method), texts, mc, seed), mc > 0


class Shape:
    """The shape of one cage, as :func:`analyse` returns it.

    Its attributes are named as the summary's columns; vectors group the columns of one
    quantity. Lengths are in ångström. A value that was not computed for the cage's status is
    NaN (numbers), -1 (atom indices) or None (``is_ellipsoid``, the coefficients).

    Attributes
    ----------
    status : str
        "ok", "not-ellipsoid", "no-fit" (every coordinate 0) or "singular".
    message : str
        Why, for every status but "ok".
    centre : ndarray (3,)
        Centre of the fitted quadric.
    semi_axes : ndarray (3,)
        a ≥ b ≥ c.
    sigma_semi_axes : ndarray (3,)
        Their first-order uncertainties (least squares only), as the window's.
    axes : ndarray (3, 3)
        Unit directions of a, b and c, one per column: the largest component of the a and b
        directions is positive, and c = a × b.
    volume, surface_exact, surface_thomsen : float
        4/3·π·abc; the exact surface (Carlson's R_G); Thomsen's approximation, as the window's.
    radius_volume, radius_surface_exact, radius_surface_thomsen : float
        Radii of the spheres of equal volume and of equal surface.
    eccentricities : ndarray (2,)
        √(1 − b²/a²) and √(1 − c²/a²).
    residual : float
        \|F\|/N of the fit.
    chord : float
        The longest atom-to-atom distance.
    chord_atoms : tuple of int
        Its two atoms, 0-based indices into the positions; the first is nearer to the origin.
    is_ellipsoid : bool or None
        Whether the fitted quadric is an ellipsoid; None when the fit did not run.
    coefficients : ndarray (9,) or None
        A1..A9 of A1·x² + A2·y² + A3·z² + A4·xy + A5·yz + A6·xz + A7·x + A8·y + A9·z + 1 = 0.
    coefficient_errors : ndarray (9,) or None
        Their first-order errors (least squares, ellipsoids only).
    lin_sd_a, lin_sd_b, lin_sd_c, lin_sd_volume, lin_sd_surface_exact, lin_sd_centre_x, lin_sd_centre_y, lin_sd_centre_z : float
        Standard deviations of the shape from the coordinate uncertainties, propagated
        linearly and in quadrature: with J_k = ∂A/∂u_k, the exact derivative of the
        least-squares coefficients A = −(DᵀD)⁻¹Dᵀ·1 with respect to coordinate k (which moves
        only its atom's row of D), cov A = Σ_k J_k·σ_k²·J_kᵀ over the 3N coordinates, carried
        to a, b, c, the centre, the volume and the exact surface through their exact
        derivatives (eigenvalue perturbation for the semi-axes, the chain rule for the rest).
        What the coordinates' own errors do to the shape; it agrees with the Monte Carlo
        spread for small uncertainties. NaN for an ellipsoid without uncertainties (or with
        all of them 0), and for anything but an ellipsoid.
    fit_sd_a, fit_sd_b, fit_sd_c, fit_sd_volume, fit_sd_surface_exact, fit_sd_centre_x, fit_sd_centre_y, fit_sd_centre_z : float
        The same values from the fit's own scatter: cov A = s²·(DᵀD)⁻¹ with
        s² = Σ F_i² / (N − 9) over the algebraic residuals F_i. How well an ellipsoid
        describes this cage, its departures from the ellipsoid taken as random scatter; 0 for
        atoms exactly on an ellipsoid, NaN for N = 9. The one to quote for computed
        geometries (DFT, MD), which have no coordinate uncertainties; quote ``lin_sd`` for
        measured structures with them. Both sets are first order, at the fitted coefficients
        of either method: for two semi-axes closer than a few of their deviations, as in a
        nearly spherical cage, the sorted semi-axes have no useful derivative; use ``mc``
        there.
    mc_draws, mc_sd_a, mc_sd_b, mc_sd_c, mc_sd_volume, mc_sd_surface_exact
        With ``mc`` > 0: the draws that gave an ellipsoid and the sample standard deviations
        over them.
    """

    __slots__ = ("_row", "_coefficients", "_coefficient_errors")

    def __init__(self, row: Dict[str, Any], coefficients: Optional[np.ndarray] = None,
                 coefficient_errors: Optional[np.ndarray] = None) -> None:
        self._row = row
        self._coefficients = coefficients
        self._coefficient_errors = coefficient_errors

    def __getattr__(self, name: str) -> Any:
        try:
            return self._row[name]
        except KeyError:
            raise AttributeError(f"'Shape' object has no attribute {name!r}") from None

    def _vector(self, *names: str) -> np.ndarray:
        return np.array([self._row[name] for name in names])

    @property
    def status(self) -> str:
        return self._row["status"]

    @property
    def message(self) -> str:
        return self._row["message"]

    @property
    def centre(self) -> np.ndarray:
        return self._vector("centre_x", "centre_y", "centre_z")

    @property
    def semi_axes(self) -> np.ndarray:
        return self._vector("a", "b", "c")

    @property
    def sigma_semi_axes(self) -> np.ndarray:
        return self._vector("sigma_a", "sigma_b", "sigma_c")

    @property
    def axes(self) -> np.ndarray:
        return np.array([[self._row[f"axis_{axis}_{xyz}"] for axis in "abc"] for xyz in "xyz"])

    @property
    def eccentricities(self) -> np.ndarray:
        return self._vector("eccentricity_b", "eccentricity_c")

    @property
    def chord_atoms(self) -> Tuple[int, int]:
        return (self._row["chord_start_atom"], self._row["chord_end_atom"])

    @property
    def is_ellipsoid(self) -> Optional[bool]:
        flag = self._row["ellipsoid"]
        return None if flag < 0 else bool(flag)

    @property
    def coefficients(self) -> Optional[np.ndarray]:
        return self._coefficients

    @property
    def coefficient_errors(self) -> Optional[np.ndarray]:
        return self._coefficient_errors

    def _renumbered(self, indices: np.ndarray) -> "Shape":
        """The same shape with its atoms numbered by ``indices[atom]``."""
        row = dict(self._row)
        for name in ("chord_start_atom", "chord_end_atom"):
            if row[name] >= 0:
                row[name] = int(indices[row[name]])
        return Shape(row, self._coefficients, self._coefficient_errors)

    def to_dict(self) -> Dict[str, Any]:
        """The cage's row of the summary: one value per column, keyed as :func:`analyse_frames`
        keys its arrays (empty numbers NaN, empty atoms -1, atoms 0-based)."""
        return dict(self._row)

    def __repr__(self) -> str:
        def number(value: float) -> str:
            return "nan" if math.isnan(value) else f"{value:.6g}"

        parts = [f"status={self.status!r}"]
        if self.is_ellipsoid:
            a, b, c = (number(v) for v in self.semi_axes)
            parts.append(f"a={a}, b={b}, c={c}")
            parts.append(f"volume={number(self._row['volume'])}")
        elif self.message:
            parts.append(f"message={self.message!r}")
        if not math.isnan(self._row["centre_x"]):
            parts.append("centre=(" + ", ".join(number(v) for v in self.centre) + ")")
        parts.append(f"residual={number(self._row['residual'])}")
        return "Shape(" + ", ".join(parts) + ")"


def analyse(positions: Any, sigmas: Any = None, **options: Any) -> Shape:
    """Fits the ellipsoid to one cage and measures it, as ``ovalon-report --summary`` does for
    a frame.

    The keyword options and their defaults are ``method="lsq", cycles=100, start=1.0,
    lam=1.0, step=10.0, inverse_precision=1e-10, rotation_precision=1e-20, mc=0, seed=0``.

    Parameters
    ----------
    positions : array_like, shape (N, 3)
        The cage's atoms in ångström; any real dtype, any memory order; N ≥ 9, one atom
        per coefficient of the quadric.
    sigmas : array_like, shape (N, 3), optional
        Their coordinate uncertainties; None for none (every σ 0).
    method : {"lsq", "lm"}
        Least squares or Levenberg–Marquardt.
    cycles, start, lam, step : int, float or str
        The Levenberg–Marquardt settings: refinement cycles, start value of the parameters,
        start value and step of the regularisation parameter.
    inverse_precision, rotation_precision : float or str
        The pivot threshold of the matrix inversions and the stop threshold of the rotation
        method.
    mc : int
        Monte Carlo re-fits, every coordinate drawn from a normal distribution with its σ; the
        ``mc_*`` attributes give the spreads.
    seed : int
        Seed of the draws (0 to 2**64 - 1). The draws of a cage depend on the seed and its
        frame number, here 1, so ``analyse(frames[0])`` equals row 0 of
        :func:`analyse_frames`.

    Every setting is read as the window reads its fields: a number is taken as its shortest
    decimal text (``1e-10``), read in extended precision, so the values are the same bits as
    ``ovalon-report --summary --inverse-precision 1e-10``.

    Returns
    -------
    Shape

    Raises
    ------
    ValueError
        ``positions`` or ``sigmas`` is not an (N, 3) array of real numbers, N < 9, a value is
        not finite, or a setting is not a number (the window's message).
    SingularMatrixError
        A matrix is singular to ``inverse_precision``.

    Examples
    --------
    >>> shape = ovalon.analyse(atoms.get_positions())
    >>> shape.semi_axes, shape.volume
    """
    return _analyse_cage(positions, sigmas, 1, 0, **options)


def _analyse_cage(positions: Any, sigmas: Any, cage: int, open_bonds: int,
                  **options: Any) -> Shape:
    """:func:`analyse` of cage number ``cage`` of a frame; an "ok" cage with ``open_bonds``
    bonds that are not in exactly two of its rings is "open-cage", by the summary's rule."""
    settings, monte_carlo = _analysis_settings(**options)
    values, coefficients, errors = _core.analyse(positions, sigmas, settings, cage=cage,
                                                 open_bonds=open_bonds)
    row = dict(zip(_column_names(monte_carlo), values))
    if row["status"] == "singular":
        raise SingularMatrixError(row["message"])
    return Shape(row, coefficients, errors)


@functools.lru_cache(maxsize=2)
def _column_names(monte_carlo: bool) -> Tuple[str, ...]:
    return tuple(columns(monte_carlo))


def analyse_frames(frames: Any, sigmas: Any = None, *, jobs: Optional[int] = None,
                   **options: Any) -> Dict[str, np.ndarray]:
    """Analyses every frame of a trajectory, as ``ovalon-report --summary`` does, on ``jobs``
    threads with the GIL released.

    Parameters
    ----------
    frames : array_like, shape (F, N, 3)
        The cage in every frame, in ångström (N ≥ 9; fewer have the status "too-few-atoms").
    sigmas : array_like, shape (N, 3) or (F, N, 3), optional
        The coordinate uncertainties, the same for every frame or per frame.
    jobs : int, optional
        Analysis threads; None for one per core. The results do not depend on it.
    **options
        ``method``, ``cycles``, ``start``, ``lam``, ``step``, ``inverse_precision``,
        ``rotation_precision``, ``mc`` and ``seed``, as for :func:`analyse`; frame f (from 0) keys its Monte Carlo draws by f + 1, as the
        summary keys frame f + 1 of a file.

    Returns
    -------
    dict of str to ndarray
        One array of F values per column of :func:`columns` (among them the uncertainty sets
        ``lin_sd_*`` and ``fit_sd_*`` described under :class:`Shape`; ``mc_*`` only with
        ``mc`` > 0):
        text columns (``status``, ``message``) of dtype object, ``ellipsoid``, ``mc_draws``
        and the chord atoms (0-based) int64 with -1 where empty, the rest float64 with NaN
        where empty. ``pandas.DataFrame(result)`` makes a table of it. The numbers are the
        same bits as the CSV of ``ovalon-report --summary`` on the same frames.

    A frame that cannot be analysed never stops the run: its ``status`` says why ("singular",
    "no-fit", "not-ellipsoid", "too-few-atoms" for N < 9, or "unreadable" for a value that is
    not finite).

    Raises
    ------
    ValueError
        ``frames`` or ``sigmas`` has the wrong shape or dtype, or a setting is not a number.

    Examples
    --------
    >>> table = pandas.DataFrame(ovalon.analyse_frames(frames, jobs=4))
    """
    if jobs is not None and (isinstance(jobs, bool) or not isinstance(jobs, int) or jobs < 1):
        raise ValueError(f"jobs must be a whole number from 1 on, or None, not {jobs!r}")
    settings, _ = _analysis_settings(**options)
    return _core.analyse_frames(frames, sigmas, settings, jobs or 0)


def find_cages(symbols: Sequence[str], positions: Any,
               bond_cutoff: float = _core.DEFAULT_BOND_CUTOFF) -> List[np.ndarray]:
    """The fullerene-like cages of a structure, as ``ovalon-report --summary --cage auto``
    finds them.

    Bonds join carbon atoms (symbol "C" or "c") at most ``bond_cutoff`` Å apart; rings are the
    chordless cycles of 5, 6 or 7 bonded carbon atoms; rings that share a bond are fused into
    one system, and every system of at least 20 atoms is a cage. Addends bound through three-
    or four-membered rings or single bonds, other elements, solvent and endohedral guests stay
    out.

    Parameters
    ----------
    symbols : sequence of str
        The element symbols of the atoms.
    positions : array_like, shape (M, 3)
        Their positions in ångström.
    bond_cutoff : float
        The longest carbon–carbon bond, Å (default 1.8).

    Returns
    -------
    list of ndarray
        One array of 0-based atom indices (ascending, int64) per cage, ordered by each cage's
        first atom; empty when there is no cage. :func:`cage_search` also says how many bonds
        of each cage break the rule of a closed cage, and what was found when there is none.
    """
    return [indices for indices, _ in cage_search(symbols, positions, bond_cutoff)[0]]


def cage_search(symbols: Sequence[str], positions: Any,
                bond_cutoff: float = _core.DEFAULT_BOND_CUTOFF
                ) -> Tuple[List[Tuple[np.ndarray, int]], str]:
    """:func:`find_cages` in full: ``([(indices, open_bonds), ...], message)``. ``open_bonds``
    counts the bonds of a cage that are not in exactly two of its rings (0 for a closed cage;
    more where atoms are missing or an addend's ring is fused onto it); ``message`` says what
    was found when there is no cage, e.g. "46 carbon atoms, no ring system of at least 20
    atoms"."""
    return _core.find_cages([str(symbol) for symbol in symbols], positions, float(bond_cutoff))


class Frame(NamedTuple):
    """One frame of a file read by :func:`read`: every atom, whatever its element.

    ``symbols`` are the element symbols as written (list of str), ``positions`` and ``sigmas``
    N×3 float64 arrays in ångström (σ 0 where the file gives none), ``comment`` the XYZ comment
    line or, for a structure file, the data block's or file's name with the model or frame
    ("c60.pdb, model 2"), and ``notes`` what a structure reader completed, chose or left out.
    """

    symbols: List[str]
    positions: np.ndarray
    sigmas: np.ndarray
    comment: str
    notes: List[str]


_READ_FORMATS = {".xyz": "xyz", ".extxyz": "extxyz", ".cif": "cif", ".mmcif": "cif",
                 ".pdb": "pdb", ".ent": "pdb"}


def read(path: Union[str, "os.PathLike[str]"]) -> List[Frame]:
    """The frames of a coordinate or structure file, read by Ovalon's own readers.

    The format follows the file's extension: ``.xyz`` is the XYZ layout that
    ``ovalon-report --summary`` reads (count line, comment line, atom lines
    "SYMBOL x y z [σx σy σz]", optional ">" uncertainty lines), frame after frame;
    ``.extxyz`` extended XYZ; ``.cif`` and ``.mmcif`` CIF (small-molecule or mmCIF, one frame
    per data block, molecules completed by symmetry, uncertainties from the s.u.);
    ``.pdb`` and ``.ent`` PDB (one frame per model).

    Returns
    -------
    list of Frame
        With :func:`find_cages` and :func:`analyse`:
        ``cage = find_cages(f.symbols, f.positions)[0]; analyse(f.positions[cage], f.sigmas[cage])``.

    Raises
    ------
    OSError
        The file cannot be read.
    ValueError
        The extension is none of these, or the file breaks its format: the reader's message,
        which names the file and the frame, line or data block.
    """
    name = os.fspath(path)
    extension = os.path.splitext(name)[1].lower()
    if extension not in _READ_FORMATS:
        raise ValueError(f"{name}: the format is chosen by the extension, one of "
                         + ", ".join(_READ_FORMATS) + f"; not {extension or 'none'!r}")
    with open(name, "rb") as file:
        data = file.read()
    return [Frame(*frame) for frame in _core.read(data, name, _READ_FORMATS[extension])]
