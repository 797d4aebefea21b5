"""Types of the functions of the ovalon package."""

import os
from typing import Any, Dict, List, Literal, NamedTuple, Optional, Sequence, Tuple, Union

import numpy as np
import numpy.typing as npt

Setting = Union[str, int, float]
Method = Literal["lsq", "lm"]

class SingularMatrixError(ArithmeticError): ...

class Shape:
    status: str
    message: str
    centre: np.ndarray
    semi_axes: np.ndarray
    sigma_semi_axes: np.ndarray
    axes: np.ndarray
    volume: float
    surface_exact: float
    surface_thomsen: float
    radius_volume: float
    radius_surface_exact: float
    radius_surface_thomsen: float
    eccentricities: np.ndarray
    residual: float
    chord: float
    chord_atoms: Tuple[int, int]
    is_ellipsoid: Optional[bool]
    coefficients: Optional[np.ndarray]
    coefficient_errors: Optional[np.ndarray]
    lin_sd_a: float
    lin_sd_b: float
    lin_sd_c: float
    lin_sd_volume: float
    lin_sd_surface_exact: float
    lin_sd_centre_x: float
    lin_sd_centre_y: float
    lin_sd_centre_z: float
    fit_sd_a: float
    fit_sd_b: float
    fit_sd_c: float
    fit_sd_volume: float
    fit_sd_surface_exact: float
    fit_sd_centre_x: float
    fit_sd_centre_y: float
    fit_sd_centre_z: float
    mc_draws: int
    mc_sd_a: float
    mc_sd_b: float
    mc_sd_c: float
    mc_sd_volume: float
    mc_sd_surface_exact: float
    def __getattr__(self, name: str) -> Any: ...
    def to_dict(self) -> Dict[str, Any]: ...

def columns(monte_carlo: bool = ...) -> List[str]: ...
def report(text: Union[str, bytes], *, method: Method = ..., diagonals: bool = ...,
           transform: bool = ..., show_coords: bool = ..., cycles: Optional[Setting] = ...,
           start: Optional[Setting] = ..., lam: Optional[Setting] = ...,
           step: Optional[Setting] = ..., inverse_precision: Optional[Setting] = ...,
           rotation_precision: Optional[Setting] = ...) -> List[str]: ...
def analyse(positions: npt.ArrayLike, sigmas: Optional[npt.ArrayLike] = ..., *,
            method: Method = ..., cycles: Setting = ..., start: Setting = ...,
            lam: Setting = ..., step: Setting = ..., inverse_precision: Setting = ...,
            rotation_precision: Setting = ..., mc: int = ..., seed: int = ...) -> Shape: ...
def analyse_frames(frames: npt.ArrayLike, sigmas: Optional[npt.ArrayLike] = ..., *,
                   jobs: Optional[int] = ..., method: Method = ..., cycles: Setting = ...,
                   start: Setting = ..., lam: Setting = ..., step: Setting = ...,
                   inverse_precision: Setting = ..., rotation_precision: Setting = ...,
                   mc: int = ..., seed: int = ...) -> Dict[str, np.ndarray]: ...
def find_cages(symbols: Sequence[str], positions: npt.ArrayLike,
               bond_cutoff: float = ...) -> List[np.ndarray]: ...
def cage_search(symbols: Sequence[str], positions: npt.ArrayLike, bond_cutoff: float = ...
                ) -> Tuple[List[Tuple[np.ndarray, int]], str]: ...

class Frame(NamedTuple):
    symbols: List[str]
    positions: np.ndarray
    sigmas: np.ndarray
    comment: str
    notes: List[str]

def read(path: Union[str, os.PathLike[str]]) -> List[Frame]: ...
