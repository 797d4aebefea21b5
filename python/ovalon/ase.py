"""The shapes of the cages in an ASE ``Atoms``.

>>> from ase.io import read
>>> import ovalon.ase
>>> shapes = ovalon.ase.analyse(read("c60_toluene_pcbm.xyz"))
"""

from __future__ import annotations

from typing import Any, List, Sequence, Tuple, Union

import numpy as np

from ovalon import _api, _core

__all__ = ["analyse", "cages"]

Cage = Union[str, Sequence[int]]


def cages(symbols: Sequence[str], positions: Any, cage: Cage = "auto",
          bond_cutoff: float = _core.DEFAULT_BOND_CUTOFF) -> List[Tuple[np.ndarray, int]]:
    """The cages of a structure by one of the summary's rules, as ``[(indices, open_bonds)]``
    with 0-based atom indices.

    ``cage`` is "auto" (:func:`ovalon.find_cages`; ValueError when there is none, with what was
    found), "carbon" (every carbon atom as one cage) or the cage's atom indices themselves.
    """
    if isinstance(cage, str):
        if cage == "auto":
            found, message = _api.cage_search(symbols, positions, bond_cutoff)
            if not found:
                raise ValueError(f"no cage: {message}")
            return found
        if cage == "carbon":
            return [(np.array([i for i, s in enumerate(symbols) if s in ("C", "c")],
                              dtype=np.int64), 0)]
        raise ValueError(f'cage must be "auto", "carbon" or atom indices, not {cage!r}')
    indices = np.asarray(cage)
    if indices.ndim != 1 or indices.dtype.kind not in "iu":
        raise ValueError("cage indices must be a sequence of whole numbers")
    if indices.size and (indices.min() < 0 or indices.max() >= len(symbols)):
        raise ValueError(f"cage indices must be from 0 to {len(symbols) - 1}")
    return [(indices.astype(np.int64), 0)]


def analyse(atoms: Any, cage: Cage = "auto", sigmas: Any = None, *,
            bond_cutoff: float = _core.DEFAULT_BOND_CUTOFF, **options: Any) -> List[_api.Shape]:
    """The shape of every cage in an ASE ``Atoms`` (its symbols and positions, in ångström),
    found as ``ovalon-report --summary`` finds them.

    Parameters
    ----------
    atoms : ase.Atoms
    cage : "auto", "carbon" or sequence of int
        Which atoms form the cage; see :func:`cages`.
    sigmas : array_like, shape (len(atoms), 3), optional
        Coordinate uncertainties of all the atoms.
    bond_cutoff : float
        The longest carbon–carbon bond of the "auto" rule, Å.
    **options
        As for :func:`ovalon.analyse`.

    Returns
    -------
    list of ovalon.Shape
        One per cage, in the order of each cage's first atom (its ``cage`` number), as
        :func:`ovalon.analyse` gives it, with the chord's atoms numbered among all the atoms. A cage with bonds that are not
        in exactly two of its rings (atoms missing, or an addend's ring fused onto it) has the
        status "open-cage" instead of "ok", and a message that says how many.

    Raises
    ------
    ValueError
        No cage was found, or as :func:`ovalon.analyse` raises it.
    """
    symbols = atoms.get_chemical_symbols()
    positions = atoms.get_positions()
    all_sigmas = None if sigmas is None else np.asarray(sigmas)
    shapes = []
    for number, (indices, open_bonds) in enumerate(cages(symbols, positions, cage, bond_cutoff),
                                                   start=1):
        shape = _api._analyse_cage(positions[indices],
                                   None if all_sigmas is None else all_sigmas[indices], number,
                                   open_bonds, **options)
        shapes.append(shape._renumbered(indices))
    return shapes
