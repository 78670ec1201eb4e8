"""The ways into a hive (path, address, bytes, file object) and the errors on the way."""

import io
import os
import shutil
import subprocess

import pytest

import quarvex
from conftest import SOURCE, cli_json_lines


def listing(hive):
    return [k.to_dict() for k in hive.walk()]


def test_the_module_under_test_is_the_one_meant():
    expected = os.environ.get("QUARVEX_EXPECT_MODULE")
    if expected:
        assert os.path.dirname(quarvex.__file__) == os.path.realpath(expected)


@pytest.mark.parametrize("make", [
    lambda p: str(p),
    lambda p: p,                                  # os.PathLike
    lambda p: p.read_bytes(),
    lambda p: bytearray(p.read_bytes()),
    lambda p: memoryview(p.read_bytes()),
    lambda p: io.BytesIO(p.read_bytes()),
    lambda p: open(p, "rb"),
], ids=["str", "pathlike", "bytes", "bytearray", "memoryview", "bytesio", "file"])
def test_every_source_reads_the_same(files, make):
    expected = listing(quarvex.open(files["user"]))
    source = make(files["user"])
    assert listing(quarvex.open(source)) == expected
    if hasattr(source, "close"):
        source.close()


def test_a_file_object_is_read_from_its_start(files):
    stream = io.BytesIO(files["sample"].read_bytes())
    stream.seek(1000)
    hive = quarvex.open(stream, name="from a stream")
    assert hive.name == "from a stream" and hive.path is None and hive.size == len(stream.getvalue())


def test_bytes_read_no_system_dat_beside_the_working_directory(files, tmp_path, monkeypatch):
    # A system.dat in the working directory says 1252; bytes have no folder, so it is not read.
    sample = files["sample"].read_bytes()
    (tmp_path / "SYSTEM.DAT").write_bytes(files["user"].read_bytes())
    monkeypatch.chdir(tmp_path)
    hive = quarvex.open(sample)
    assert hive.codepage == "932" and hive.codepage_source != "system.dat"


@pytest.mark.parametrize("codepage, expected", [("auto", "932"), ("1252", "1252"), ("none", "none"), ("932", "932")])
def test_codepage_argument(files, codepage, expected):
    hive = quarvex.open(files["sample"], codepage=codepage)
    assert hive.codepage == expected
    assert (hive.codepage_source == "option") == (codepage != "auto")


def test_a_cabinet_member_reads_as_the_loose_file(files, tmp_path):
    if not shutil.which("gcab"):
        pytest.skip("gcab not installed")
    shutil.copy(files["user"], tmp_path / "USER.DAT")
    subprocess.run(["gcab", "-c", "-n", "RB001.CAB", "USER.DAT"], cwd=tmp_path, check=True)
    address = f"{tmp_path}/RB001.CAB::USER.DAT"
    hive = quarvex.open(address)
    assert hive.path == address and listing(hive) == listing(quarvex.open(files["user"]))
    assert listing(hive) == cli_json_lines("ls", "-R", "-v", "--json", address)


def test_a_hive_inside_a_fat_image(files, tmp_path):
    if not (shutil.which("mkfs.fat") and shutil.which("mcopy") and shutil.which("mmd")):
        pytest.skip("dosfstools or mtools not installed")
    image = tmp_path / "disk.img"
    subprocess.run(["mkfs.fat", "-C", "-F", "12", "-n", "WIN98", str(image), "8192"], check=True, capture_output=True)
    subprocess.run(["mmd", "-i", str(image), "::WINDOWS"], check=True)
    subprocess.run(["mcopy", "-i", str(image), str(files["sample"]), "::WINDOWS/USER.DAT"], check=True)
    hive = quarvex.open(f"{image}::windows\\user.dat")
    assert listing(hive) == listing(quarvex.open(files["sample"]))
    with pytest.raises(OSError, match="USER.DA0"):
        quarvex.open(f"{image}::WINDOWS/USER.DA0")


@pytest.mark.parametrize("name, code", [("nt", 2), ("empty", 1)])
def test_no_hive_raises_hive_error(files, name, code):
    with pytest.raises(quarvex.HiveError) as failure:
        quarvex.open(files[name])
    assert failure.value.code == code
    assert "not a registry file" in str(failure.value)


def test_strict_refuses_what_the_report_cannot_read(files):
    assert quarvex.open(files["cut"]).check_document()["status"] == "damaged"   # the salvage path reads it
    with pytest.raises(quarvex.HiveError) as failure:
        quarvex.open(files["cut"], strict=True)
    error = failure.value
    assert error.code == 19 and error.structure == "free data record" and error.offset >= 40000 - 0x200
    assert error.finding.field and "Fail(19)" in str(error)
    assert quarvex.open(files["user"], strict=True).check_document()["report"]["made"] is True
    with pytest.raises(quarvex.HiveError) as failure:
        quarvex.open(files["nt"], strict=True)
    assert failure.value.code == 2 and failure.value.field == "signature"


@pytest.mark.parametrize("source, error, match", [
    ("/no/such/USER.DAT", FileNotFoundError, "no such file"),
    ("", ValueError, "not a file path"),
    ("a\0b", ValueError, "not a file path"),
    (str(SOURCE), OSError, "directory"),
    (12, TypeError, "open takes"),
    (io.StringIO("CREG"), TypeError, "binary mode"),
])
def test_bad_sources(source, error, match):
    with pytest.raises(error, match=match):
        quarvex.open(source)


def test_dash_is_a_file_name_not_standard_input(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    with pytest.raises(FileNotFoundError):
        quarvex.open("-")


@pytest.mark.parametrize("codepage", ["", "utf-8", "1252; rm -rf", "auto\0"])
def test_bad_codepage(files, codepage):
    with pytest.raises(ValueError, match="codepage"):
        quarvex.open(files["sample"], codepage=codepage)


def test_the_file_is_never_written(files, tmp_path):
    copy = tmp_path / "USER.DAT"
    shutil.copy(files["user"], copy)
    os.chmod(copy, 0o444)
    before = (copy.read_bytes(), os.stat(copy).st_mtime_ns)
    hive = quarvex.open(copy)
    hive.check(), hive.recover(), hive.report(), hive.facts()
    assert (copy.read_bytes(), os.stat(copy).st_mtime_ns) == before
