"""ovalon.report against ovalon-report: the same lines, the same errors."""

import warnings

import pytest

import ovalon
from conftest import EXAMPLES

CASES = [
    ("c60_ideal.xyz", [], {}),
    ("c60_distorted.xyz", ["--diagonals"], {"diagonals": True}),
    ("c60_distorted.xyz", ["--no-transform"], {"transform": False}),
    ("c60_distorted.xyz", ["--show-coords"], {"show_coords": True}),
    ("c60_distorted.xyz", ["--method", "lm", "--cycles", "7", "--lambda", "0.5"],
     {"method": "lm", "cycles": 7, "lam": 0.5}),
    ("c60_ideal.xyz", ["--method", "lm", "--start", "2.5"], {"method": "lm", "start": "2.5"}),
    ("c60_ideal.xyz", ["--inverse-precision", "1e-30", "--rotation-precision", "1E-25"],
     {"inverse_precision": 1e-30, "rotation_precision": "1E-25"}),
]


@pytest.mark.parametrize("name,args,options", CASES)
def test_report_prints_the_lines_of_ovalon_report(report_command, name, args, options):
    path = EXAMPLES / name
    expected = report_command(*args, str(path))
    assert expected.returncode == 0, expected.stderr.decode()
    lines = ovalon.report(path.read_text(encoding="utf-8"), **options)
    assert "".join(line + "\n" for line in lines) == expected.stdout.decode("utf-8")
    assert ovalon.report(path.read_bytes(), **options) == lines


def test_report_raises_the_windows_messages():
    text = (EXAMPLES / "c60_ideal.xyz").read_text(encoding="utf-8")
    with pytest.raises(ValueError, match="^Неправильный формат строк файла!$"):
        ovalon.report("C 1.0 2.0 x\n")
    with pytest.raises(ValueError, match="^Проверьте правильности введенных данных!$"):
        ovalon.report(text, method="lm", cycles="ten")
    with pytest.raises(ValueError, match="^Проверьте правильности введенных данных!$"):
        ovalon.report(text, inverse_precision=float("nan"))
    with pytest.raises(ovalon.SingularMatrixError,
                       match="^Матрица вырождена при заданной точности обратной матрицы!$"):
        ovalon.report(text, inverse_precision=1e10)
    assert issubclass(ovalon.SingularMatrixError, ArithmeticError)
    with pytest.raises(ValueError, match="method"):
        ovalon.report(text, method="mnk")
    with pytest.raises(TypeError):
        ovalon.report(text, cycles=[1])


def test_report_warns_where_the_window_stays_silent():
    with pytest.warns(UserWarning, match="the fit does not run"):
        assert ovalon.report("C 0 0 0\n") == []
    text = (EXAMPLES / "c60_ideal.xyz").read_text(encoding="utf-8")
    short = "\n".join(text.splitlines()[:30]) + "\n"
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        ovalon.report(short)
    assert caught, "a text of fewer than 60 atom lines gives a notice"
