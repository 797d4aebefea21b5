"""Ovalon: the shape of fullerene-like carbon cages.

Fits a general quadric to the atoms of a cage in 80-bit extended precision, reduces it to its
canonical ellipsoid and measures it: semi-axes with their directions and uncertainties, volume,
surface, equivalent radii, eccentricities and the longest atom-to-atom chord. The values are the
same bits as those of ``ovalon-report`` and the window, computed by the same C++ engine.

Functions
---------
report
    The window's report lines for a coordinate text, as ``ovalon-report`` prints them.
"""

from ovalon._api import SingularMatrixError, report

__all__ = ["SingularMatrixError", "report"]
