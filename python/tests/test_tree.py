"""Keys and values read through the module equal quarvex-cli ls -R -v --json's."""

import weakref

import pytest

import quarvex
from conftest import cli_json_lines, need

HIVES = ["user", "sample", "system", "cut", "damaged"]


@pytest.mark.parametrize("name", HIVES)
def test_walk_equals_ls(files, name):
    path = need(files, name)
    expected = cli_json_lines("ls", "-R", "-v", "--json", path)
    got = [key.to_dict() for key in quarvex.open(path).walk()]
    assert len(got) == len(expected)
    assert got == expected


@pytest.mark.parametrize("name", HIVES)
def test_attributes_agree_with_the_dict(files, name):
    hive = quarvex.open(need(files, name))
    for key in hive.walk():
        d = key.to_dict(values=False)
        assert (key.path, key.name, key.depth, key.marks) == (d["path"], d["name"], d["depth"], d["marks"])
        assert [f.text for f in key.findings] == d["findings"]
        assert key.number_of_subkeys == len(key.subkeys) == d["subkeys"]
        assert [k.parent for k in key.subkeys] == [key] * len(key.subkeys)
        for value in key.values:
            v = value.to_dict()
            assert (value.name, int(value.type), value.data.hex(" ").upper()) == (v["name"], v["typeNumber"], v["hex"])
            assert value.text == v.get("text") and value.strings == v.get("strings")
            assert value.display == v["data"] and value.cut == v["cut"] and value.declared_length == v["declaredLength"]
            assert value.key == key


def test_the_real_user_dat(files):
    hive = quarvex.open(files["user"])
    assert (hive.kind, hive.codepage, hive.codepage_source) == ("user", "1252", "hive")
    assert "00000409" in hive.codepage_reason
    assert hive.root.name == "" and hive.root.path == "" and hive.root.parent is None
    assert [k.name for k in hive.root.subkeys] == [k.name for k in hive.walk(max_depth=1)]
    desktop = hive.key(r".DEFAULT\Control Panel\Desktop")
    assert desktop is not None and desktop.path == r".DEFAULT\Control Panel\Desktop"
    assert hive.key(r"HKEY_USERS\.default\control panel/desktop") == desktop
    assert hive.root.subkey(".default").subkey("CONTROL PANEL").subkey("Desktop") == desktop
    assert hive[desktop.path] == desktop
    assert hive.key(r".DEFAULT\No Such Key") is None
    with pytest.raises(KeyError, match="No Such Key"):
        hive[r".DEFAULT\No Such Key"]
    assert desktop.value("WALLPAPER").type is quarvex.ValueType.REG_SZ
    assert desktop.value("no such value") is None
    assert isinstance(desktop.offset, int) and desktop.offset > 0x20


@pytest.mark.parametrize("type_number, integer", [
    (4, 0x0403_0201),             # REG_DWORD: little-endian
    (5, 0x0102_0304),             # REG_DWORD_BIG_ENDIAN
    (11, None),                   # REG_QWORD of 4 bytes: no number
    (3, None),                    # REG_BINARY
    (1, None),                    # REG_SZ
])
def test_integer_by_type(files, type_number, integer):
    # A DWORD of the sample made 01 02 03 04 and retyped in its entry (Atr: its first 4 bytes).
    hive = quarvex.open(files["sample"])
    value = next(v for k in hive.walk() for v in k.values if v.type == quarvex.ValueType.REG_DWORD and len(v.data) == 4)
    image = bytearray(files["sample"].read_bytes())
    data_at = value.offset + 12 + len(value.name.encode("cp1252"))
    image[data_at:data_at + 4] = b"\x01\x02\x03\x04"
    image[value.offset:value.offset + 4] = type_number.to_bytes(4, "little")
    again = quarvex.open(bytes(image), codepage=hive.codepage).key(value.key.path).value(value.name)
    assert int(again.type) == type_number
    assert again.integer == integer


def test_value_kinds(files):
    hive = quarvex.open(need(files, "system"))
    seen = set()
    for key in hive.walk():
        for value in key.values:
            kind = value.type
            seen.add(kind)
            assert (value.text is not None) == (kind in (quarvex.ValueType.REG_SZ, quarvex.ValueType.REG_EXPAND_SZ))
            assert (value.strings is not None) == (kind == quarvex.ValueType.REG_MULTI_SZ)
            if kind == quarvex.ValueType.REG_DWORD and len(value.data) == 4:
                assert value.integer == int.from_bytes(value.data, "little")
    assert quarvex.ValueType.REG_SZ in seen and quarvex.ValueType.REG_DWORD in seen


def test_damage_marks(files):
    marked = [k for k in quarvex.open(files["cut"]).walk() if k.marks]
    assert marked and all(set(k.marks) <= {"lost", "unreadable", "values missing", "values cut", "damaged"} for k in marked)
    assert any("unreadable" in k.marks for k in marked)
    assert any(f.grade == "damage" for k in marked for f in k.findings)


def test_keys_outlive_the_hive(files):
    hive = quarvex.open(files["sample"])
    keys = list(hive.walk())
    values = [v for k in keys for v in k.values]
    hive.close()
    del hive
    assert [k.path for k in keys][:3] and all(isinstance(v.data, bytes) for v in values)
    with pytest.raises(ValueError, match="closed"):
        h = quarvex.open(files["sample"])
        h.close()
        h.root


def test_key_and_value_objects(files):
    hive = quarvex.open(files["sample"])
    walk = hive.walk()
    assert iter(walk) is walk and len(walk) == len(list(hive.walk()))
    key = next(walk)
    assert len(walk) == len(list(hive.walk())) - 1
    assert isinstance(key, quarvex.Key) and key == hive.root.subkeys[0] and hash(key) == hash(hive.root.subkeys[0])
    assert key != hive.root and key != key.path and (key == 1) is False
    assert repr(key) == f"<quarvex.Key {key.path}>" and repr(hive.root) == "<quarvex.Key (root)>"
    value = next(v for k in hive.walk() for v in k.values)
    assert isinstance(value, quarvex.Value) and repr(value).startswith("<quarvex.Value ")
    assert weakref.ref(key)() is key and weakref.ref(value)() is value
    with pytest.raises(AttributeError):
        key.name = "other"
    with pytest.raises(AttributeError):
        value.note = 1
    with pytest.raises(TypeError):
        quarvex.Key()
    with pytest.raises(TypeError):
        quarvex.Key.subkey(value, "x")
    with pytest.raises(TypeError):
        key.subkey(1)
    assert quarvex.Key.name.__doc__ and quarvex.Value.display.__doc__ and quarvex.Key.walk.__doc__
