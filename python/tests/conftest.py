"""What the tests of the Python module share: the files they read, and quarvex-cli to compare with.

The module under test is the one Python imports: the build tree's (ctest sets PYTHONPATH) or
the installed package (tools/deb-check.sh). quarvex-cli is QUARVEX_CLI, else the build tree's,
else the installed one; the generator QUARVEX_HIVEGEN, else the build tree's (tests that need it
are skipped without it).
"""

import json
import os
import pathlib
import shutil
import subprocess

import pytest

SOURCE = pathlib.Path(__file__).resolve().parents[2]
USER_DAT = SOURCE / "tests" / "data" / "USER.DAT"
SAMPLE = SOURCE / "samples" / "USER-SAMPLE.DAT"
NOW = "2026-12-07T10:00:00"


def _tool(variable, relative, installed=None):
    if os.environ.get(variable):
        return os.environ[variable]
    for build in ("build-py", "build-test", "build-rel", "build-cli"):
        candidate = SOURCE / build / relative
        if candidate.is_file():
            return str(candidate)
    return installed if installed and os.path.isfile(installed) else None


CLI = _tool("QUARVEX_CLI", "cli/quarvex-cli", "/usr/bin/quarvex-cli")
HIVEGEN = _tool("QUARVEX_HIVEGEN", "tools/quarvex-hivegen")


def run_cli(*args, ok=(0,)):
    """quarvex-cli's standard output (bytes); its exit status must be one of ok."""
    if CLI is None:
        pytest.skip("quarvex-cli not found (set QUARVEX_CLI)")
    done = subprocess.run([CLI, *map(str, args)], capture_output=True, env={**os.environ, "LC_ALL": "C.UTF-8"})
    assert done.returncode in ok, done.stderr.decode(errors="replace")
    return done.stdout


def cli_json_lines(*args, ok=(0,)):
    """The objects of a --json output written one a line (ls, diff)."""
    return [json.loads(line) for line in run_cli(*args, ok=ok).decode().splitlines() if line.strip()]


def without_program(document):
    document = dict(document)
    document.pop("program", None)
    return document


@pytest.fixture(scope="session")
def files(tmp_path_factory):
    """The hives of the tests by name: the real Windows Me user.dat, the bundled sample, a
    generated system.dat, the sample cut short, the sample with its key nodes overwritten, two
    generated user hives to tell apart, a Windows NT hive and an empty file."""
    work = tmp_path_factory.mktemp("hives")
    made = {"user": USER_DAT, "sample": SAMPLE}
    sample = SAMPLE.read_bytes()
    made["cut"] = work / "CUT.DAT"
    made["cut"].write_bytes(sample[:40000])
    damaged = bytearray(sample)
    damaged[0x200:0x260] = b"\xff" * 0x60  # key nodes: links out of the block
    made["damaged"] = work / "DAMAGED.DAT"
    made["damaged"].write_bytes(bytes(damaged))
    made["nt"] = work / "NTUSER.DAT"
    made["nt"].write_bytes(b"regf" + bytes(4092))
    made["empty"] = work / "EMPTY.DAT"
    made["empty"].write_bytes(b"")
    if HIVEGEN:
        for name, args in {"system": ["--kind", "system", "--keys", "1500", "--seed", "12"],
                           "gen_a": ["--kind", "user", "--keys", "300", "--seed", "1"],
                           "gen_b": ["--kind", "user", "--keys", "300", "--seed", "2"]}.items():
            made[name] = work / f"{name.upper()}.DAT"
            subprocess.run([HIVEGEN, *args, "-o", str(made[name])], check=True, capture_output=True)
    return made


def need(files, name):
    """The path of a hive the tests made, or a skip when the generator was not found."""
    if name not in files:
        pytest.skip("quarvex-hivegen not found (set QUARVEX_HIVEGEN)")
    return files[name]
