"""check, recover, facts, diff, report and analysis equal what quarvex-cli gives for the same file."""

import json

import pytest

import quarvex
from conftest import NOW, cli_json_lines, need, run_cli, without_program

HIVES = ["user", "sample", "system", "cut", "damaged"]


@pytest.mark.parametrize("name", HIVES)
def test_check_equals_cli(files, name):
    path = need(files, name)
    cli = json.loads(run_cli("check", "--json", "-", path, ok=(0, 4)))["files"][0]
    hive = quarvex.open(path)
    assert hive.check_document() == cli
    findings = hive.check()
    assert [(f.offset, f.grade, f.structure, f.field, f.found, f.expected, f.key_path, f.text, f.block, f.record)
            for f in findings] == [(m["offset"], m["severity"], m["structure"], m["field"], m["found"], m["expected"],
                                    m["keyPath"], m["line"], m["block"], m["record"]) for m in cli["findings"]]


def test_check_of_damage(files):
    cut = quarvex.open(files["cut"])
    document = cut.check_document()
    assert document["status"] == "damaged" and document["report"]["code"] == 19
    assert any(f.grade == "damage" and f.field == "size" for f in cut.check())
    assert quarvex.open(files["user"]).check_document()["status"] == "healthy"


def _recovered_as_json(key):
    return {"offset": key.offset, "block": key.block, "recordNumber": key.record_number, "source": key.source,
            "name": key.name, "path": key.path, "parentKnown": key.parent_known, "pathGuessed": key.path_guessed,
            "keyNode": key.key_node, "confidence": key.confidence, "partial": key.partial,
            "valuesAnnounced": key.values_announced, "link": key.link, "olderCopy": key.older_copy,
            "liveCounterpart": key.live_counterpart, "reasons": key.reasons,
            "values": [{"offset": v.offset, "type": int(v.type), "name": v.name, "nameLength": v.name_length,
                        "dataLength": v.data_length, "data": v.data.hex(), "partial": v.partial,
                        **({"text": v.text} if v.text is not None else {}),
                        **({"strings": v.strings} if v.strings is not None else {})} for v in key.values]}


@pytest.mark.parametrize("name, confidence", [("user", "low"), ("user", "medium"), ("user", "high"),
                                              ("sample", "low"), ("cut", "low"), ("damaged", "medium")])
def test_recover_equals_cli(files, name, confidence):
    path = files[name]
    # --all: the module lists older copies identical to a live key too (older_copy says which).
    cli = json.loads(run_cli("recover", "--all", "--min-confidence", confidence, "--json", "-", path))
    got = quarvex.open(path).recover(min_confidence=confidence)
    assert [_recovered_as_json(k) for k in got] == cli["keys"]


def test_recover_of_the_real_user_dat(files):
    keys = quarvex.open(files["user"]).recover()
    assert (len(keys), sum(len(k.values) for k in keys)) == (10, 100)
    assert {k.confidence for k in keys} == {"medium"}
    assert quarvex.open(files["user"]).recover("high") == []
    with pytest.raises(ValueError, match="low, medium or high"):
        quarvex.open(files["user"]).recover("certain")


@pytest.mark.parametrize("names", [["user"], ["sample"], ["cut"], ["system", "user"]])
def test_facts_equal_cli(files, names):
    paths = [need(files, n) for n in names]
    cli = without_program(json.loads(run_cli("facts", "--json", "-", *paths)))
    hives = [quarvex.open(p) for p in paths]
    assert hives[0].facts(*hives[1:]) == cli


@pytest.mark.parametrize("a, b, flags, options", [
    ("gen_a", "gen_b", [], {}),
    ("gen_a", "gen_b", ["--keys-only"], {"values": False}),
    ("gen_a", "gen_b", ["--values-only"], {"keys": False}),
    ("sample", "cut", [], {}),
    ("user", "sample", [], {}),   # 1252 against 932: read in the first's code page
    ("sample", "sample", [], {}),
])
def test_diff_equals_cli(files, a, b, flags, options):
    pa, pb = need(files, a), need(files, b)
    cli = cli_json_lines("diff", *flags, "--json", pa, pb, ok=(0, 1))
    got = quarvex.open(pa).diff(quarvex.open(pb), **options)
    assert got == cli
    assert (a == b) == (got == [])


@pytest.mark.parametrize("name, options, words", [
    ("sample", {}, []),
    ("user", {}, []),
    ("user", {"all": True}, ["--all"]),
    ("system", {"all": True}, ["--all"]),
    ("sample", {"encoding": "utf-8"}, ["--encoding", "utf-8"]),
    ("sample", {"set": ["cbRPT=on"], "codepage": "1252"}, ["--set", "cbRPT=on", "--codepage", "1252"]),
])
def test_report_equals_cli(files, tmp_path, name, options, words):
    path = need(files, name)
    out = tmp_path / "REPORT.TXT"
    run_cli("--now", NOW, *words, "-o", out, path)
    got = quarvex.open(path, name=str(path)).report({"now": NOW, **options})
    assert got == out.read_bytes()


@pytest.mark.parametrize("name", ["user", "sample", "system"])
def test_analysis_equals_cli(files, name):
    path = need(files, name)
    assert quarvex.open(path).analysis() == json.loads(run_cli("--json", "-", path))


@pytest.mark.parametrize("options, message", [
    ({"output": "x.txt"}, "--output"),
    ({"json": "-"}, "--json"),
    ({"export": "x.reg"}, "--export"),
    ({"charts": "dir"}, "--charts"),
    ({"encoding": "locale"}, "locale"),
    ({"now": "yesterday"}, "--now"),
    ({"set": ["noSuchBox=on"]}, "no option"),
    ({"no such option": True}, "not an option name"),
    ({"bogus": True}, "bogus"),
])
def test_report_refuses_options(files, options, message):
    with pytest.raises(ValueError, match=message):
        quarvex.open(files["sample"]).report(options)


def test_report_of_a_cut_hive_fails_with_its_code(files):
    with pytest.raises(quarvex.HiveError) as failure:
        quarvex.open(files["cut"]).report()
    assert failure.value.code == 19
    assert failure.value.structure == "free data record" and failure.value.offset is not None
