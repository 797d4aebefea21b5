"""The shape of the cage in an ASE ``Atoms``.

>>> from ase.io import read
>>> import ovalon.ase
>>> shape = ovalon.ase.analyse(read("c60.xyz"))
"""

from __future__ import annotations

from typing import Any, Sequence, Union

import numpy as np

from ovalon import _api

__all__ = ["analyse", "cage_indices"]


def cage_indices(symbols: Sequence[str], cage: Union[str, Sequence[int]] = "auto") -> np.ndarray:
    """The 0-based indices of the cage's atoms among ``symbols``.

    ``cage`` is "auto" (the cage as ``ovalon-report --summary`` finds it: today every carbon
    atom), "carbon" (every carbon atom) or the indices themselves.
    """
    if isinstance(cage, str):
        if cage not in ("auto", "carbon"):
            raise ValueError(f'cage must be "auto", "carbon" or atom indices, not {cage!r}')
        return np.array([i for i, symbol in enumerate(symbols) if symbol == "C"], dtype=np.intp)
    indices = np.asarray(cage)
    if indices.ndim != 1 or indices.dtype.kind not in "iu":
        raise ValueError("cage indices must be a sequence of whole numbers")
    if indices.size and (indices.min() < 0 or indices.max() >= len(symbols)):
        raise ValueError(f"cage indices must be from 0 to {len(symbols) - 1}")
    return indices.astype(np.intp)


def analyse(atoms: Any, cage: Union[str, Sequence[int]] = "auto", sigmas: Any = None,
            **options: Any) -> _api.Shape:
    """The shape of the cage in an ASE ``Atoms`` (its symbols and positions, in ångström).

    Parameters
    ----------
    atoms : ase.Atoms
    cage : "auto", "carbon" or sequence of int
        Which atoms form the cage; see :func:`cage_indices`.
    sigmas : array_like, shape (N, 3), optional
        Uncertainties of the cage's atoms, in the order of the cage.
    **options
        As for :func:`ovalon.analyse`.

    Returns
    -------
    ovalon.Shape
        As :func:`ovalon.analyse` gives it, with the chord's atoms as indices into ``atoms``.
    """
    indices = cage_indices(atoms.get_chemical_symbols(), cage)
    shape = _api.analyse(atoms.get_positions()[indices], sigmas, **options)
    return shape._renumbered(indices)
