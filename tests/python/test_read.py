"""ovalon.read: every atom of XYZ, extended XYZ, CIF and PDB files through the project's
readers, ready for find_cages and analyse."""

import numpy as np
import pytest

import ovalon
from conftest import EXAMPLES
from test_analyse import same


def test_xyz_frames_are_the_summarys_numbers(c60_frames):
    path, (positions, sigmas) = c60_frames
    frames = ovalon.read(path)
    assert len(frames) == len(positions)
    for frame, p, s in zip(frames, positions, sigmas):
        assert frame.symbols == ["C"] * 60
        assert frame.positions.dtype == np.float64 and frame.positions.shape == (60, 3)
        assert np.array_equal(frame.positions, p) and np.array_equal(frame.sigmas, s)
        assert frame.notes == []
    # The frames give the summary's values.
    table = ovalon.analyse_frames(np.stack([f.positions for f in frames]),
                                  np.stack([f.sigmas for f in frames]), jobs=1)
    assert same(table["a"], ovalon.analyse_frames(positions, sigmas, jobs=1)["a"])


def test_xyz_keeps_every_atom_with_its_uncertainties(tmp_path):
    path = tmp_path / "mixed.XYZ"
    path.write_text("3\nwater and a carbon\n"
                    "O 0 0 0.5\nC 1 2 3\nH\t-1 0 0\n"
                    ">0.01 0.02 0.03\n>\t0.1 0.2 0.3\n> 0.5 0.5 0.5\n"
                    "\n2\n\nCl 1e1 -2.5 0 0.25 0 1\nNa 0 0 0\n")
    first, second = ovalon.read(path)
    assert first.symbols == ["O", "C", "H"] and first.comment == "water and a carbon"
    assert first.positions.tolist() == [[0, 0, 0.5], [1, 2, 3], [-1, 0, 0]]
    assert first.sigmas.tolist() == [[0.01, 0.02, 0.03], [0.1, 0.2, 0.3], [0.5, 0.5, 0.5]]
    assert second.symbols == ["Cl", "Na"] and second.comment == ""
    assert second.positions.tolist() == [[10, -2.5, 0], [0, 0, 0]]
    assert second.sigmas.tolist() == [[0.25, 0, 1], [0, 0, 0]]


@pytest.mark.parametrize("text,match", [
    ("2\n\nO 0 0 0\nH 1 x 0\n", r"frame 1: line 4: \"x\" is not a number"),
    ("1\n\nC 0 0 0\n1\n\nO 0 0 0 0.1 0.1 0.1\n> 0.1 0.1 0.1\n",
     r"frame 2: line 7: atom 1 has uncertainties on its own line and on a \">\" line"),
    ("3\n\nO 0 0 0\n", "frame 1: line 3: the input ends after 1 of 3 atom lines"),
])
def test_broken_xyz_is_a_value_error_naming_the_frame(tmp_path, text, match):
    path = tmp_path / "broken.xyz"
    path.write_text(text)
    with pytest.raises(ValueError, match=f"^{path}: {match}"):
        ovalon.read(path)


def test_cif_gives_the_cage_with_its_solvent_and_uncertainties():
    [frame] = ovalon.read(EXAMPLES / "c60_solvate.cif")
    symbols = np.array(frame.symbols)
    assert len(symbols) > 60 and set(symbols) > {"C"}
    [cage] = ovalon.find_cages(frame.symbols, frame.positions)
    assert len(cage) == 60 and set(symbols[cage]) == {"C"}
    assert (frame.sigmas[cage] > 0).all()
    shape = ovalon.analyse(frame.positions[cage], frame.sigmas[cage])
    assert shape.status == "ok" and (shape.sigma_semi_axes > 0).all()
    assert shape.semi_axes[0] == pytest.approx(3.55, abs=0.1)


def test_pdb_models_and_extended_xyz_frames_are_frames():
    models = ovalon.read(EXAMPLES / "c60_models.pdb")
    assert len(models) == 2 and models[0].comment != models[1].comment
    assert all("model" in model.comment for model in models)
    assert not np.array_equal(models[0].positions, models[1].positions)
    frames = ovalon.read(EXAMPLES / "c60_frames.extxyz")
    assert len(frames) == 2
    for frame in frames:
        cage = ovalon.find_cages(frame.symbols, frame.positions)[0]
        assert len(cage) == 60 and (frame.sigmas[cage] > 0).all()


def test_read_errors(tmp_path):
    with pytest.raises(FileNotFoundError):
        ovalon.read(tmp_path / "missing.cif")
    (tmp_path / "c60.mol").write_text("")
    with pytest.raises(ValueError, match=r"extension.*'\.mol'"):
        ovalon.read(tmp_path / "c60.mol")
    broken = tmp_path / "broken.cif"
    broken.write_text("data_x\n_cell_length_a 10\nloop_\n_atom_site_label\n")
    with pytest.raises(ValueError, match=str(broken)):
        ovalon.read(broken)
