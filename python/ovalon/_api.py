"""The functions of the ovalon package over its compiled core, ovalon._core."""

from __future__ import annotations

import warnings
from typing import List, Optional, Union

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
    status, lines, notices = _core.report(
        data,
        _least_squares(method),
        _setting_text("inverse_precision", inverse_precision, "1E-10"),
        _setting_text("rotation_precision", rotation_precision, "1E-20"),
        _setting_text("cycles", cycles, ""),
        _setting_text("start", start, ""),
        _setting_text("lam", lam, ""),
        _setting_text("step", step, ""),
        bool(transform),
        bool(show_coords),
        bool(diagonals),
    )
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
