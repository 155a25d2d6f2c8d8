"""What a new user copies first: every Python snippet of the README runs on its own, every shown
session prints what it shows, and the example script runs."""
import doctest
import pathlib
import re
import runpy
import textwrap

import pytest

pytest.importorskip("numpy")
ROOT = pathlib.Path(__file__).resolve().parent.parent
FENCE = re.compile(r"^( *)```(\w+)\n(.*?)^\1```$", re.M | re.S)


def blocks(language):
    text = (ROOT / "README.md").read_text()
    found = [textwrap.dedent(m[3]) for m in FENCE.finditer(text) if m[2] == language]
    assert found, language
    return found


@pytest.mark.parametrize("code", blocks("python"))
def test_python_snippet_runs_alone(code, capsys):
    exec(compile(code, "README.md", "exec"), {"__name__": "__readme__"})
    assert capsys.readouterr().out


@pytest.mark.parametrize("session", blocks("pycon"))
def test_session_prints_what_it_shows(session):
    test = doctest.DocTestParser().get_doctest(session, {}, "README.md", "README.md", 0)
    runner = doctest.DocTestRunner(optionflags=doctest.ELLIPSIS)
    runner.run(test)
    assert runner.summarize(verbose=False) == (0, len(test.examples))


def test_quickstart_runs(capsys, monkeypatch):
    monkeypatch.chdir(ROOT / "examples")
    runpy.run_path("quickstart.py", run_name="__main__")
    out = capsys.readouterr().out
    assert "q * x     = [0, 1, 0]\n" in out and "robot     = True | moved away: False\n" in out
