"""pycreg's face: dfwinreg's CREG back-end, unchanged, reads hives through quarvex.pycreg_compat."""

import importlib
import io
import sys

import pytest

import quarvex
import quarvex.pycreg_compat as pycreg
from conftest import cli_json_lines, need


@pytest.fixture
def dfwinreg_creg(monkeypatch):
    monkeypatch.setitem(sys.modules, "pycreg", pycreg)
    try:
        sys.modules.pop("dfwinreg.creg", None)
        return importlib.import_module("dfwinreg.creg")
    except ImportError as missing:
        pytest.skip(f"dfwinreg is not installed (Debian's python3-dfwinreg): {missing}")


def dfwinreg_listing(registry_file):
    """Every key below the root in pre-order, as (path, [(name, type, data)]) through dfwinreg."""
    out = []
    pending = [(registry_file.GetRootKey(), "")]
    while pending:
        key, path = pending.pop()
        subkeys = list(key.GetSubkeys())
        assert key.number_of_subkeys == len(subkeys)
        for sub in reversed(subkeys):
            pending.append((sub, f"{path}\\{sub.name}" if path else sub.name))
        if path:
            values = [(v.name, v.data_type, v.data) for v in key.GetValues()]
            assert key.number_of_values == len(values)
            for v in key.GetValues():
                v.GetDataAsObject()  # every value decodes as dfwinreg asks for it
            out.append((path, values))
    return out


@pytest.mark.parametrize("name", ["user", "system", "sample"])
def test_dfwinreg_reads_the_whole_tree(files, dfwinreg_creg, name):
    path = need(files, name)
    registry_file = dfwinreg_creg.CREGWinRegistryFile(ascii_codepage="cp1252")
    with open(path, "rb") as stream:
        registry_file.Open(stream)
        got = dfwinreg_listing(registry_file)
        expected = [(k["path"], [(v["name"], v["typeNumber"], bytes.fromhex(v["hex"])) for v in k["values"]])
                    for k in cli_json_lines("ls", "-R", "-v", "--json", "--codepage", "1252", path)]
        assert got == expected
        key = registry_file.GetKeyByPath("\\" + expected[-1][0])
        assert key is not None and key.name == expected[-1][0].split("\\")[-1]
        assert registry_file.GetKeyByPath("\\No\\Such\\Key") is None
        registry_file.Close()


def test_dfwinreg_decodes_values(files, dfwinreg_creg):
    registry_file = dfwinreg_creg.CREGWinRegistryFile()
    registry_file.Open(io.BytesIO(files["user"].read_bytes()))
    desktop = registry_file.GetKeyByPath("\\.DEFAULT\\Control Panel\\Desktop")
    assert desktop.GetValueByName("DragFullWindows").GetDataAsObject() == "0"
    assert desktop.GetSubkeyByIndex(0).name == desktop.GetSubkeys().__next__().name
    with pytest.raises(IndexError):
        desktop.GetSubkeyByIndex(desktop.number_of_subkeys)
    assert desktop.GetValueByName("no such value") is None
    assert desktop.GetSubkeyByName("no such key") is None


def test_pycreg_calls(files):
    opened = pycreg.open(str(files["user"]))
    root = opened.get_root_key()
    assert root.name == "" and root.number_of_sub_keys == len(root.sub_keys) == 2
    default = root.get_sub_key_by_name(".default")
    desktop = default.get_sub_key_by_path("Control Panel\\Desktop")
    assert desktop.name == "Desktop" and opened.get_key_by_path("\\.DEFAULT\\Control Panel\\Desktop").offset == desktop.offset
    value = desktop.get_value_by_name("DragFullWindows")
    assert (value.type, value.get_data_as_string(), value.data) == (1, "0", b"0")
    with pytest.raises(IOError):
        value.get_data_as_integer()
    with pytest.raises(IOError):
        value.get_data_as_multi_string()
    assert desktop.get_value(0).name == desktop.values[0].name
    opened.close()
    with pytest.raises(IOError):
        opened.get_root_key()


@pytest.mark.parametrize("codepage, ok", [("cp1252", True), ("ascii", True), ("cp932", True), ("windows-1251", True),
                                          ("utf-8", False), ("", False)])
def test_set_ascii_codepage(codepage, ok):
    f = pycreg.file()
    if ok:
        f.set_ascii_codepage(codepage)
        assert f.get_ascii_codepage() == codepage
    else:
        with pytest.raises(ValueError):
            f.set_ascii_codepage(codepage)


@pytest.mark.parametrize("name", ["nt", "empty"])
def test_not_a_hive_is_ioerror(files, name):
    with pytest.raises(IOError):
        pycreg.open(str(files[name]))


def test_open_file_object_read_only(files):
    with pytest.raises(ValueError, match="read only"):
        pycreg.open_file_object(io.BytesIO(files["user"].read_bytes()), "w")
    f = pycreg.open_file_object(io.BytesIO(files["user"].read_bytes()))
    assert f.root_key.number_of_sub_keys == 2 and f.ascii_codepage == "cp1252"
