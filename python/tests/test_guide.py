"""The examples of docs/python.md run as written, in order."""
import os
import re

from conftest import SOURCE


def test_guide_examples_run(tmp_path, capsys):
    page = (SOURCE / "docs" / "python.md").read_text(encoding="utf-8")
    blocks = re.findall(r"```python\n(.*?)```", page, flags=re.S)
    assert len(blocks) >= 4
    os.symlink(SOURCE / "examples", tmp_path / "examples")
    before = os.getcwd()
    os.chdir(tmp_path)
    try:
        for block in blocks:
            exec(compile(block, "docs/python.md", "exec"), {})
    finally:
        os.chdir(before)
    assert "1.2345k" in capsys.readouterr().out
