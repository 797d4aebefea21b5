"""ovalon.analyse and ovalon.analyse_frames against ovalon-report --summary, their errors and
their threads."""

import csv
import io
import threading
import time

import numpy as np
import pytest

import ovalon
from conftest import EXAMPLES, read_frames

PLACEMENT = ["file", "frame", "line", "comment"]


def same(a, b):
    """Equal values or arrays, NaN equal to NaN."""
    a, b = np.asarray(a), np.asarray(b)
    if a.dtype.kind in "OU" or b.dtype.kind in "OU":
        return a.shape == b.shape and a.tolist() == b.tolist()
    return np.array_equal(a, b, equal_nan=True)


def scaled_residual(a, positions):
    """|F|/N of the quadric A1 x² + A2 y² + A3 z² + A4 xy + A5 yz + A6 xz + A7 x + A8 y + A9 z
    + 1 over N atoms."""
    x, y, z = positions.T
    f = a[0]*x*x + a[1]*y*y + a[2]*z*z + a[3]*x*y + a[4]*y*z + a[5]*x*z + a[6]*x + a[7]*y \
        + a[8]*z + 1
    return np.sqrt(np.sum(f * f)) / len(positions)


def summary_csv(report_command, path, *args):
    run = report_command("--summary", "--jobs", "2", *args, str(path))
    assert run.returncode == 0, run.stderr.decode()
    rows = list(csv.reader(io.StringIO(run.stdout.decode("utf-8"), newline="")))
    return rows[0], rows[1:]


def assert_row_equals(header, row, table, index):
    """Every field of the CSV row equals the table's value, bit for bit: empty numbers are
    NaN, empty atoms -1, and the CSV numbers atoms by their lines (all atoms are the cage)."""
    kinds = dict(ovalon._core.columns(True))
    for name, field in zip(header, row):
        if name in PLACEMENT:
            continue
        value = table[name][index]
        kind = kinds[name]
        if kind == "text":
            assert value == field, name
        elif kind == "number":
            expected = float(field) if field else np.nan
            assert np.array_equal(np.float64(expected), np.float64(value), equal_nan=True), \
                (name, field, repr(value))
            if field:
                assert float(field).hex() == float(value).hex(), name
        elif kind == "atom":
            assert value == (int(field) - 1 if field else -1), name
        else:
            assert value == (int(field) if field else -1), name


UNCERTAINTY_COLUMNS = [f"{kind}_sd_{value}" for kind in ("lin", "fit") for value in (
    "a", "b", "c", "volume", "surface_exact", "centre_x", "centre_y", "centre_z")]


@pytest.mark.parametrize("args,options", [
    ([], {}),
    (["--method", "lm", "--cycles", "20"], {"method": "lm", "cycles": 20}),
    (["--mc", "4", "--seed", "11"], {"mc": 4, "seed": 11}),
])
def test_frames_are_the_summarys_bits(report_command, c60_frames, args, options):
    path, (positions, sigmas) = c60_frames
    header, rows = summary_csv(report_command, path, *args)
    table = ovalon.analyse_frames(positions, sigmas, jobs=2, **options)
    assert header[len(PLACEMENT):] == ovalon.columns(options.get("mc", 0) > 0)
    assert list(table) == header[len(PLACEMENT):]
    assert all(len(column) == len(rows) for column in table.values())
    for index, row in enumerate(rows):
        assert_row_equals(header, row, table, index)
    # The uncertainty sets were compared as numbers, not as empty fields: every frame has
    # coordinate uncertainties and 60 atoms.
    ok = table["status"] == "ok"
    assert ok.any()
    for name in UNCERTAINTY_COLUMNS:
        assert np.isfinite(table[name][ok]).all() and (table[name][ok] > 0).all(), name
    # One analyse per frame gives the frame's row; the draws are keyed by frame 1.
    shape = ovalon.analyse(positions[0], sigmas[0], **options)
    for name, value in shape.to_dict().items():
        assert same(value, table[name][0]), name


def test_shape_groups_the_columns(c60_frames):
    _, (positions, sigmas) = c60_frames
    shape = ovalon.analyse(positions[5], sigmas[5])
    row = shape.to_dict()
    assert shape.status == "ok" and shape.is_ellipsoid is True
    assert list(shape.semi_axes) == [row["a"], row["b"], row["c"]]
    assert shape.semi_axes[0] >= shape.semi_axes[1] >= shape.semi_axes[2]
    assert list(shape.axes[:, 1]) == [row["axis_b_x"], row["axis_b_y"], row["axis_b_z"]]
    # The axes are orthonormal and right-handed (c = a × b).
    assert np.allclose(shape.axes.T @ shape.axes, np.eye(3), atol=1e-12)
    assert np.allclose(np.cross(shape.axes[:, 0], shape.axes[:, 1]), shape.axes[:, 2])
    # The chord's atoms are 0-based indices whose distance is the chord.
    start, end = shape.chord_atoms
    assert np.linalg.norm(positions[5][start] - positions[5][end]) == pytest.approx(shape.chord)
    # The coefficients describe the quadric through the atoms: F ≈ 0 at each atom.
    assert scaled_residual(shape.coefficients, positions[5]) == pytest.approx(shape.residual,
                                                                             rel=1e-6)
    assert shape.coefficient_errors.shape == (9,) and np.all(shape.coefficient_errors != 0)
    assert "status='ok'" in repr(shape) and "a=" in repr(shape)
    with pytest.raises(AttributeError):
        shape.no_such_column


ROW = np.loadtxt(io.StringIO("\n".join(
    " ".join(line.split()[1:4])
    for line in (EXAMPLES / "c60_ideal.xyz").read_text().splitlines() if line.startswith("C"))))


@pytest.mark.parametrize("name,positions", [
    ("list", ROW.tolist()),
    ("float32", ROW.astype(np.float32)),
    ("int", np.rint(ROW * 1000).astype(np.int64)),
    ("fortran", np.asfortranarray(ROW)),
    ("non-contiguous", np.repeat(ROW, 2, axis=1)[:, ::2]),
    ("reversed", ROW[::-1]),
])
def test_accepted_inputs_give_the_float64_result(name, positions):
    expected = ovalon.analyse(np.ascontiguousarray(positions, dtype=np.float64)).to_dict()
    got = ovalon.analyse(positions).to_dict()
    assert got.keys() == expected.keys()
    for key in got:
        assert same(got[key], expected[key]), key


def nonfinite():
    bad = ROW.copy()
    bad[7, 1] = np.nan
    return bad


@pytest.mark.parametrize("positions,sigmas,match", [
    (ROW[:, :2], None, r"shape \(N, 3\), not \(60, 2\)"),
    (ROW.ravel(), None, r"shape \(N, 3\), not \(180,\)"),
    (ROW[None], None, r"not \(1, 60, 3\)"),
    (ROW[:8], None, "8 atoms; the nine coefficients of a quadric need at least 9"),
    (ROW.astype(complex), None, "real numbers, not complex128"),
    (ROW.astype(str), None, "real numbers"),
    (ROW > 0, None, "real numbers, not bool"),
    ([[1, 2, 3], [4, 5]], None, "array of numbers"),
    (nonfinite(), None, "atom 7 are not finite"),
    (ROW, ROW[:30], r"sigmas must have the shape of positions \(60, 3\)"),
    (ROW, np.full_like(ROW, np.inf), "sigmas of atom 0 are not finite"),
])
def test_wrong_inputs_raise_value_error(positions, sigmas, match):
    with pytest.raises(ValueError, match=match):
        ovalon.analyse(positions, sigmas)


def test_wrong_settings_raise_value_error():
    with pytest.raises(ValueError, match="^Проверьте правильности введенных данных!$"):
        ovalon.analyse(ROW, method="lm", start="one")
    with pytest.raises(ValueError, match="method"):
        ovalon.analyse(ROW, method="least squares")
    with pytest.raises(ValueError, match="mc"):
        ovalon.analyse(ROW, mc=-1)
    with pytest.raises(ValueError, match="jobs"):
        ovalon.analyse_frames(ROW[None], jobs=0)
    with pytest.raises(ValueError, match=r"\(F, N, 3\), not \(60, 3\)"):
        ovalon.analyse_frames(ROW)
    with pytest.raises(ValueError, match=r"sigmas must have the shape \(N, 3\) or \(F, N, 3\)"):
        ovalon.analyse_frames(ROW[None], np.zeros((2, 60, 3)))


def test_singular_matrix_raises_in_analyse_and_is_a_status_in_frames():
    with pytest.raises(ovalon.SingularMatrixError,
                       match="^Матрица вырождена при заданной точности обратной матрицы!$"):
        ovalon.analyse(ROW, inverse_precision=1e10)
    frames = np.stack([ROW, np.zeros_like(ROW), nonfinite(), ROW * 2])
    table = ovalon.analyse_frames(frames, inverse_precision=1e10)
    assert list(table["status"]) == ["singular", "no-fit", "unreadable", "singular"]
    assert table["message"][2] == "atom 7 has a coordinate that is not finite"
    assert np.isnan(table["a"]).all() and list(table["ellipsoid"]) == [-1] * 4
    table = ovalon.analyse_frames(frames)
    assert list(table["status"]) == ["ok", "no-fit", "unreadable", "ok"]
    assert table["a"][3] == 2 * table["a"][0]


def test_jobs_do_not_change_the_results(c60_frames):
    _, (positions, sigmas) = c60_frames
    one = ovalon.analyse_frames(positions, sigmas, jobs=1, mc=3)
    two = ovalon.analyse_frames(positions, sigmas[0], jobs=2, mc=3)
    per_frame = ovalon.analyse_frames(positions, np.broadcast_to(sigmas[0], positions.shape),
                                      jobs=2, mc=3)
    for name in one:
        assert same(two[name], per_frame[name]), name
    again = ovalon.analyse_frames(positions, sigmas, jobs=2, mc=3)
    for name in one:
        assert one[name].dtype == again[name].dtype and same(one[name], again[name]), name
    empty = ovalon.analyse_frames(np.zeros((0, 60, 3)))
    assert all(len(column) == 0 for column in empty.values())


def test_the_gil_is_released_while_frames_are_analysed(c60_frames):
    _, (positions, sigmas) = c60_frames
    frames = np.tile(positions, (25, 1, 1))  # 1000 frames, well over the thread's start-up
    counter = [0]
    running = threading.Event()
    stop = threading.Event()

    def count():
        running.set()
        while not stop.is_set():
            counter[0] += 1

    thread = threading.Thread(target=count)
    thread.start()
    running.wait()
    before = counter[0]
    ovalon.analyse_frames(frames, method="lm", jobs=1)
    during = counter[0] - before
    stop.set()
    thread.join()
    # Holding the GIL for the whole call would leave the counter where it was, give or take
    # the few increments before the call took it.
    assert during > 1000


def c70():
    lines = (EXAMPLES / "c70.xyz").read_text().splitlines()[2:]
    return np.array([[float(v) for v in line.split()[1:4]] for line in lines if line.strip()])


def test_c70_is_a_prolate_ellipsoid_along_its_five_fold_axis():
    positions = c70()
    assert positions.shape == (70, 3)
    shape = ovalon.analyse(positions, np.full_like(positions, 0.001))
    a, b, c = shape.semi_axes
    assert shape.status == "ok" and shape.is_ellipsoid
    assert a - b > 0.3 and b - c < 1e-6 * a
    assert np.allclose(shape.axes[:, 0], [0, 0, 1], atol=1e-9)
    assert (shape.sigma_semi_axes > 0).all() and shape.coefficient_errors is not None
    assert scaled_residual(shape.coefficients, positions) == pytest.approx(shape.residual,
                                                                          rel=1e-6)
    # A frame of 70 atoms is the same cage in analyse_frames, with its Monte Carlo draws.
    table = ovalon.analyse_frames(np.stack([positions, positions * 1.5]),
                                  np.full_like(positions, 0.001), mc=3, jobs=2)
    row = ovalon.analyse(positions, np.full_like(positions, 0.001), mc=3).to_dict()
    for name, value in row.items():
        assert same(table[name][0], value), name
    assert table["a"][1] == pytest.approx(1.5 * a, rel=1e-12)


def test_c70_uncertainty_sets():
    # The model C70's atoms scatter about their ellipsoid: the fit's scatter gives finite
    # deviations without coordinate uncertainties, and the linear set is empty then.
    positions = c70()
    shape = ovalon.analyse(positions)
    for name in UNCERTAINTY_COLUMNS:
        value = getattr(shape, name)
        if name.startswith("fit_"):
            assert np.isfinite(value) and value > 0, name
        else:
            assert np.isnan(value), name
    assert ovalon.analyse(positions, np.full_like(positions, 0.001)).lin_sd_a > 0
    # Scaling the cage by k leaves the algebraic residuals as they are, so the deviations of
    # lengths scale by k and of the volume by k³.
    table = ovalon.analyse_frames(np.stack([positions, positions * 1.5]))
    for name, power in (("fit_sd_a", 1), ("fit_sd_c", 1), ("fit_sd_centre_z", 1),
                        ("fit_sd_surface_exact", 2), ("fit_sd_volume", 3)):
        assert table[name][1] == pytest.approx(1.5**power * table[name][0], rel=1e-9), name
        assert table[name][0] == getattr(shape, name), name


def test_too_few_atoms_raise_in_analyse_and_are_a_status_in_frames():
    with pytest.raises(ValueError, match="8 atoms; the nine coefficients"):
        ovalon.analyse(ROW[:8])
    nine = ovalon.analyse(ROW[::7])
    assert nine.status in ("ok", "not-ellipsoid", "singular") and nine.residual >= 0
    for atoms in (8, 1, 0):
        table = ovalon.analyse_frames(np.stack([ROW[:atoms]] * 2))
        assert list(table["status"]) == ["too-few-atoms"] * 2, atoms
        assert table["message"][0].startswith(f"{atoms} atom")
        assert np.isnan(table["a"]).all() and np.isnan(table["residual"]).all()
    table = ovalon.analyse_frames(ROW[None, :8])
    # The longest chord is still measured.
    assert table["chord"][0] == pytest.approx(np.max(np.linalg.norm(
        ROW[:8, None] - ROW[None, :8], axis=2)), rel=1e-15)
