"""Ovalon: the shape of fullerene-like carbon cages.

Fits a general quadric to the atoms of a cage in 80-bit extended precision, reduces it to its
canonical ellipsoid and measures it: semi-axes with their directions and uncertainties, volume,
surface, equivalent radii, eccentricities and the longest atom-to-atom chord. The values are the
same bits as those of ``ovalon-report`` and the window, computed by the same C++ engine.

Functions
---------
analyse
    The shape of one cage: a :class:`Shape` with the summary's values.
analyse_frames
    The shape of the cage in every frame of a trajectory: a dict of numpy arrays, one per
    column of ``ovalon-report --summary``, computed on several threads.
report
    The window's report lines for a coordinate text, as ``ovalon-report`` prints them.
columns
    The names of the summary's columns.
read
    The frames of an XYZ, extended XYZ, CIF, mmCIF or PDB file: symbols, positions, sigmas.
find_cages
    The fullerene-like cages of a structure, as ``ovalon-report --summary`` finds them.

Adapters: :mod:`ovalon.mdanalysis` (``CageShape``, an MDAnalysis analysis) and :mod:`ovalon.ase`
(``analyse`` of an ASE ``Atoms``).
"""

from ovalon._api import (Frame, Shape, SingularMatrixError, analyse, analyse_frames,
                         cage_search, columns, find_cages, read, report)

__all__ = ["Frame", "Shape", "SingularMatrixError", "analyse", "analyse_frames", "cage_search",
           "columns", "find_cages", "read", "report"]
