"""The cage's shape in every frame of an MDAnalysis trajectory.

>>> import MDAnalysis as mda
>>> from ovalon.mdanalysis import CageShape
>>> u = mda.Universe("c60.xyz")
>>> shape = CageShape(u.select_atoms("name C")).run(verbose=True)
>>> shape.results.a, shape.results.volume, shape.results.times
"""

from __future__ import annotations

from typing import Any, List, Optional

import numpy as np

try:
    from MDAnalysis.analysis.base import AnalysisBase
except ImportError as error:  # pragma: no cover - the message is the point
    raise ImportError(
        "ovalon.mdanalysis needs MDAnalysis (Debian: apt-get install python3-mdanalysis); "
        "ovalon.analyse_frames works without it") from error

from ovalon import _api, _core

__all__ = ["CageShape"]


class CageShape(AnalysisBase):
    """The shape of a cage in every frame: an MDAnalysis analysis over ovalon.

    Run it with ``.run(start, stop, step, verbose=True)``, which shows MDAnalysis's progress
    bar. Frames are analysed in blocks of ``block`` frames on ``jobs`` threads, as
    :func:`ovalon.analyse_frames` analyses them, and give the same values.

    Parameters
    ----------
    atomgroup : MDAnalysis.AtomGroup
        The cage's atoms, for example ``u.select_atoms("name C")``; fewer than 9 give the
        status "too-few-atoms". Positions are in ångström, as MDAnalysis gives them.
    sigmas : array_like, shape (N, 3), optional
        Coordinate uncertainties, the same in every frame.
    jobs : int, optional
        Analysis threads; None for one per core.
    block : int
        Frames kept before they are analysed (memory: 24 bytes an atom a frame).
    **options
        As for :func:`ovalon.analyse`: ``method``, ``cycles``, ``start``, ``lam``, ``step``,
        ``inverse_precision``, ``rotation_precision``, ``mc``, ``seed``. A frame keys its
        Monte Carlo draws by its trajectory frame + 1, as row f of ``analyse_frames`` of the
        whole trajectory does.

    Attributes
    ----------
    results : MDAnalysis.analysis.base.Results
        One numpy array per summary column (``results.a``, ``results.status``, …; see
        :func:`ovalon.columns`), one entry per analysed frame, plus ``results.frames`` (the
        trajectory's frame indices) and ``results.times`` (ps).
    """

    def __init__(self, atomgroup: Any, sigmas: Any = None, *, jobs: Optional[int] = None,
                 block: int = 4096, verbose: bool = False, **options: Any) -> None:
        super().__init__(atomgroup.universe.trajectory, verbose=verbose)
        self._atomgroup = atomgroup
        self._sigmas = sigmas
        self._jobs = jobs or 0
        self._block = max(1, int(block))
        # Settings that are not numbers fail here, before any frame is read.
        self._settings, self._monte_carlo = _api._analysis_settings(**options)

    def _prepare(self) -> None:
        self._positions: List[np.ndarray] = []
        self._frame_numbers: List[int] = []
        self._tables: List[dict] = []

    def _single_frame(self) -> None:
        self._positions.append(np.array(self._atomgroup.positions, dtype=np.float64))
        self._frame_numbers.append(self._ts.frame + 1)
        if len(self._positions) >= self._block:
            self._analyse_block()

    def _analyse_block(self) -> None:
        if not self._positions:
            return
        self._tables.append(_core.analyse_frames(
            np.stack(self._positions), self._sigmas, self._settings, self._jobs,
            np.array(self._frame_numbers, dtype=np.int64)))
        self._positions, self._frame_numbers = [], []

    def _conclude(self) -> None:
        self._analyse_block()
        if not self._tables:
            self._tables.append(_core.analyse_frames(
                np.zeros((0, len(self._atomgroup), 3)), None, self._settings, 1))
        for name in _api.columns(self._monte_carlo):
            self.results[name] = np.concatenate([table[name] for table in self._tables])
        self._tables = []
        self.results.frames = np.asarray(self.frames)
        self.results.times = np.asarray(self.times)
