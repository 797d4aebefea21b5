"""The MDAnalysis and ASE adapters give the values of analyse_frames and analyse."""

import numpy as np
import pytest

import ovalon
from conftest import EXAMPLES
from test_analyse import same


def write_xyz(path, symbols, frames):
    with open(path, "w") as out:
        for positions in frames:
            out.write(f"{len(symbols)}\nframe\n")
            for symbol, (x, y, z) in zip(symbols, positions):
                out.write(f"{symbol} {x!r} {y!r} {z!r}\n")


@pytest.fixture
def solvated(c60_frames, tmp_path):
    """Ten frames of the cage with two atoms of solvent (O and H) before and after it."""
    _, (positions, _) = c60_frames
    frames = [np.vstack([[[9.0, 9.0, 9.0]], p, [[-9.0, 0.5, 0.25]]]) for p in positions[:10]]
    symbols = ["O"] + ["C"] * 60 + ["H"]
    path = tmp_path / "solvated.xyz"
    write_xyz(path, symbols, frames)
    return path, symbols, np.array(frames)


def test_mdanalysis_cage_shape_equals_analyse_frames(solvated):
    mda = pytest.importorskip("MDAnalysis")
    from ovalon.mdanalysis import CageShape

    path, _, frames = solvated
    universe = mda.Universe(str(path))
    cage = universe.select_atoms("name C")
    trajectory = np.array([cage.positions.copy() for _ in universe.trajectory])
    expected = ovalon.analyse_frames(trajectory, mc=3, jobs=1)
    analysis = CageShape(cage, mc=3, jobs=2, block=4).run()
    for name in ovalon.columns(True):
        assert same(analysis.results[name], expected[name]), name
    assert list(analysis.results.frames) == list(range(10))
    assert len(analysis.results.times) == 10
    # A slice keys its draws by the trajectory's frames: frames 2, 5, 8 are rows 2, 5, 8.
    part = CageShape(cage, mc=3).run(start=2, step=3)
    assert list(part.results.frames) == [2, 5, 8]
    for name in ovalon.columns(True):
        assert same(part.results[name], expected[name][2::3]), name
    with pytest.raises(ValueError, match="Проверьте"):
        CageShape(cage, method="lm", lam="x")


def test_ase_analyse_finds_the_carbon_cage(solvated):
    ase_io = pytest.importorskip("ase.io")
    import ovalon.ase

    path, _, frames = solvated
    atoms = ase_io.read(str(path), index=3)
    [shape] = ovalon.ase.analyse(atoms)
    expected = ovalon.analyse(frames[3][1:61])
    for name, value in shape.to_dict().items():
        if name.startswith("chord_") and name.endswith("_atom"):
            assert value == expected.to_dict()[name] + 1, "numbered among all atoms"
        else:
            assert same(value, expected.to_dict()[name]), name
    [explicit] = ovalon.ase.analyse(atoms, cage=list(range(1, 61)), method="lm")
    assert explicit.semi_axes.tolist() == ovalon.analyse(frames[3][1:61], method="lm").semi_axes.tolist()
    with pytest.raises(ValueError, match="cage"):
        ovalon.ase.analyse(atoms, cage="fullerene")
    with pytest.raises(ValueError, match="from 0 to 61"):
        ovalon.ase.analyse(atoms, cage=[0, 62])
    with pytest.raises(ValueError, match="no cage: "):
        ovalon.ase.analyse(atoms[:12])


def test_ase_analyse_marks_an_open_cage_as_the_summary_does(report_command, tmp_path):
    ase_io = pytest.importorskip("ase.io")
    import ovalon.ase

    # The ideal C60 without its last atom: a hole, which the summary reports as open-cage.
    lines = (EXAMPLES / "c60_ideal.xyz").read_text().splitlines()
    atom_lines = [line for line in lines[2:] if line.startswith("C")][:59]
    path = tmp_path / "c59.xyz"
    path.write_text("\n".join(["59", "hole"] + atom_lines) + "\n")
    [shape] = ovalon.ase.analyse(ase_io.read(str(path)))
    row = shape.to_dict()
    assert (shape.status, row["cage"], row["atoms"]) == ("open-cage", 1, 59)
    assert shape.message.startswith("11 bonds of the cage are not in exactly two of its rings")
    assert shape.message.endswith("give the cage's atoms with cage=[...]")
    run = report_command("--summary", str(path))
    assert run.returncode == 0
    summary = run.stdout.decode()
    assert ",1,59,open-cage,\"11 bonds of the cage" in summary
    # Given by hand, the same atoms are no cage the finder judged: ok.
    [given] = ovalon.ase.analyse(ase_io.read(str(path)), cage=list(range(59)))
    assert given.status == "ok"


def test_find_cages_takes_the_cage_out_of_its_surroundings():
    ase_io = pytest.importorskip("ase.io")
    from conftest import EXAMPLES

    atoms = ase_io.read(str(EXAMPLES / "c60_toluene_pcbm.xyz"))
    symbols = atoms.get_chemical_symbols()
    cages = ovalon.find_cages(symbols, atoms.get_positions())
    # The C60 and the methanofullerene's cage, without its addend or the toluenes.
    assert [len(cage) for cage in cages] == [60, 60]
    assert all(symbols[i] == "C" for cage in cages for i in cage)
    assert cages[0][0] < cages[1][0]
    found, message = ovalon.cage_search(symbols, atoms.get_positions())
    assert [open_bonds for _, open_bonds in found] == [0, 0] and message == ""
    shapes = ovalon.ase.analyse(atoms)
    assert [shape.status for shape in shapes] == ["ok", "ok"]
    for shape, cage in zip(shapes, cages):
        assert set(shape.chord_atoms) <= set(cage)
        expected = ovalon.analyse(atoms.get_positions()[cage])
        assert shape.semi_axes.tolist() == expected.semi_axes.tolist()
    cages = [np.concatenate(cages)]
    # Without its cage the frame has carbon atoms but no ring system of 20.
    rest = [i for i in range(len(atoms)) if i not in set(cages[0])]
    found, message = ovalon.cage_search([symbols[i] for i in rest], atoms.get_positions()[rest])
    assert found == [] and "carbon atoms" in message
    with pytest.raises(ValueError, match="one row per symbol"):
        ovalon.find_cages(symbols[:-1], atoms.get_positions())


def test_ase_analyse_of_c70_finds_its_70_atoms():
    ase_io = pytest.importorskip("ase.io")
    import ovalon.ase
    from conftest import EXAMPLES

    atoms = ase_io.read(str(EXAMPLES / "c70.xyz"))
    [shape] = ovalon.ase.analyse(atoms)
    expected = ovalon.analyse(atoms.get_positions())
    for name, value in shape.to_dict().items():
        assert same(value, expected.to_dict()[name]), name
    assert shape.semi_axes[0] > shape.semi_axes[1] + 0.3
    assert abs(shape.axes[2, 0]) == pytest.approx(1, abs=1e-9)
