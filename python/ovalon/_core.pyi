"""Types of the compiled core of the ovalon package."""

from typing import Dict, List, Optional, Tuple

import numpy as np
import numpy.typing as npt

FORMAT_ERROR_MESSAGE: str
INVALID_INPUT_MESSAGE: str
SINGULAR_MATRIX_MESSAGE: str
NO_FIT_WARNING: str
DEFAULT_BOND_CUTOFF: float

class FitTexts:
    def __init__(self, least_squares: bool, inverse_precision: str, rotation_precision: str,
                 cycles: str, start: str, lam: str, step: str) -> None: ...

class Settings: ...

def report(text: bytes, fit: FitTexts, transform: bool, show_coords: bool,
           diagonals: bool) -> Tuple[str, List[str], List[str]]: ...
def settings(fit: FitTexts, mc: int, seed: int) -> Settings: ...
def columns(monte_carlo: bool) -> List[Tuple[str, str]]: ...
def analyse(positions: npt.ArrayLike, sigmas: Optional[npt.ArrayLike], settings: Settings,
            frame_number: int = 1, cage: int = 1, open_bonds: int = 0
            ) -> Tuple[tuple, Optional[np.ndarray], Optional[np.ndarray]]: ...
def analyse_frames(frames: npt.ArrayLike, sigmas: Optional[npt.ArrayLike], settings: Settings,
                   jobs: int, frame_numbers: Optional[npt.ArrayLike] = None
                   ) -> Dict[str, np.ndarray]: ...
def find_cages(symbols: List[str], positions: npt.ArrayLike, bond_cutoff: float
               ) -> Tuple[List[Tuple[np.ndarray, int]], str]: ...
def read(data: bytes, source: str, format: str
         ) -> List[Tuple[List[str], np.ndarray, np.ndarray, str, List[str]]]: ...
