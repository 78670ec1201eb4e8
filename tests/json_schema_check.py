#!/usr/bin/env python3
"""Every JSON output of quarvex-cli validates against its schema in docs/json.

Runs the report (--json to a file and to standard output, with and without --json-series,
after a failed job with --partial, from standard input) and every subcommand that writes
JSON (check, recover, facts, timeline, ls, get, find, diff, history, stats) over the bundled sample, the real
Windows Me user.dat, generated hives and damaged ones, one file and two at once, and checks
each document (each line, for the outputs written a line per object) against the schema of
its output. Documents written to files must end their lines with LF alone. The decoded texts
of text values are checked against their bytes.

    json_schema_check.py QUARVEX_CLI QUARVEX_HIVEGEN SCHEMA_DIR SAMPLE REAL_USER_DAT WORKDIR
"""
import json
import os
import subprocess
import sys

try:
    import jsonschema
except ImportError:  # tools/install-deps.sh installs python3-jsonschema
    print("python3-jsonschema is not installed; skipped")
    sys.exit(77)

cli, hivegen, schema_dir, sample, real, work = sys.argv[1:7]
os.makedirs(work, exist_ok=True)
validators = {}
for name in os.listdir(schema_dir):
    if name.endswith(".schema.json"):
        with open(os.path.join(schema_dir, name), encoding="utf-8") as f:
            schema = json.load(f)
        jsonschema.Draft202012Validator.check_schema(schema)
        validators[name[: -len(".schema.json")]] = jsonschema.Draft202012Validator(schema)

failures = []
checked = {name: 0 for name in validators}


def validate(kind, text, what, lines=False):
    documents = [line for line in text.split("\n") if line] if lines else [text]
    if not documents:
        failures.append(f"{what}: no JSON written")
    for document in documents:
        try:
            value = json.loads(document)
        except ValueError as e:
            failures.append(f"{what}: not JSON: {e}")
            continue
        errors = sorted(validators[kind].iter_errors(value), key=lambda e: list(e.path))
        for e in errors[:5]:
            failures.append(f"{what}: {'/'.join(map(str, e.path))}: {e.message[:200]}")
        checked[kind] += 1


def run(args, stdin=None, expect=(0,)):
    done = subprocess.run([cli] + args, input=stdin, capture_output=True)
    if done.returncode not in expect:
        failures.append(f"{' '.join(args)}: exit status {done.returncode}: {done.stderr.decode(errors='replace')[:300]}")
    return done.stdout.decode("utf-8")


# Hives: generated system and user hives, a cut one, one whose key-node block is damaged.
generated = {}
for kind, keys in (("system", 400), ("user", 150)):
    path = os.path.join(work, f"{kind}.dat")
    subprocess.run([hivegen, "--kind", kind, "--keys", str(keys), "--seed", "7", "-o", path], check=True)
    generated[kind] = path
later = os.path.join(work, "system-later.dat")
subprocess.run([hivegen, "--kind", "system", "--keys", "400", "--seed", "8", "-o", later], check=True)
data = open(generated["system"], "rb").read()
cut = os.path.join(work, "cut-short.dat")
open(cut, "wb").write(data[: len(data) // 2])
bad_signature = os.path.join(work, "bad-rgdb-signature.dat")
damaged = bytearray(data)
at = damaged.find(b"RGDB")
damaged[at:at + 4] = b"RGDX"
open(bad_signature, "wb").write(bytes(damaged))
missing = os.path.join(work, "no-such-hive.dat")
hives = [sample, real, generated["system"], generated["user"]]

# The report's JSON.
for hive in hives:
    for series in ([], ["--json-series"]):
        target = os.path.join(work, "report.json")
        run(["--now", "2026-12-07T10:00:00", "-o", os.devnull] + series + ["--json", target, hive])
        raw = open(target, "rb").read()
        if b"\r" in raw:
            failures.append(f"report {hive}: CR in the document written to a file")
        doc = raw.decode("utf-8")
        validate("report", doc, f"report {os.path.basename(hive)} {series}")
        if series and "series" not in json.loads(doc):
            failures.append(f"report {hive}: --json-series wrote no series")
        if not series and "series" in json.loads(doc):
            failures.append(f"report {hive}: series without --json-series")
    validate("report", run(["--json", "-", "--codepage", "1252", hive]), f"report --json - {os.path.basename(hive)}")
for hive, status in ((cut, 1), (bad_signature, 1), (missing, 1)):
    target = os.path.join(work, "failed.json")
    if os.path.exists(target):
        os.remove(target)
    run(["--partial", "-o", os.devnull, "--json", target, hive], expect=(status,))
    doc = open(target, encoding="utf-8").read()
    validate("report", doc, f"report of a failed job {os.path.basename(hive)}")
    if "failure" not in json.loads(doc):
        failures.append(f"{hive}: a failed job's JSON has no failure")
validate("report", run(["--json", "-", "-"], stdin=open(sample, "rb").read()), "report from standard input")

# The subcommands.
for files in ([sample], [real, cut, missing, generated["system"]], [bad_signature]):
    validate("check", run(["check", "--json", "-"] + files, expect=(0, 1, 4)), f"check {files}")
target = os.path.join(work, "check.json")
run(["check", "--json", target, sample, cut], expect=(4,))
raw = open(target, "rb").read()
if b"\r" in raw:
    failures.append("check: CR in the document written to a file")
validate("check", raw.decode("utf-8"), "check to a file")
for hive in (real, generated["user"], cut):
    validate("recover", run(["recover", "--json", "-", hive]), f"recover {os.path.basename(hive)}")
target = os.path.join(work, "recover.json")
run(["recover", "--json", target, real])
raw = open(target, "rb").read()
if b"\r" in raw:
    failures.append("recover: CR in the document written to a file")
validate("recover", raw.decode("utf-8"), "recover to a file")
validate("facts", run(["facts", "--json", "-", sample, real]), "facts")
validate("facts", run(["facts", "--json", "-", generated["system"], generated["user"]]), "facts of a machine")
# Two copies of one user.dat in one folder: the older one's facts under the newer's.
copies = os.path.join(work, "copies")
os.makedirs(copies, exist_ok=True)
for source, name in ((real, "USER.DAT"), (sample, "USER.DA0")):
    with open(source, "rb") as src, open(os.path.join(copies, name), "wb") as dst:
        dst.write(src.read())
os.utime(os.path.join(copies, "USER.DA0"), (992160000, 992160000))
validate("facts", run(["facts", "--json", "-", os.path.join(copies, "USER.DAT"), os.path.join(copies, "USER.DA0")]),
         "facts of two copies of a hive")
validate("timeline", run(["timeline", "--json", "-", sample, real]), "timeline")
validate("timeline", run(["timeline", "--json", "-", generated["system"], generated["user"]]), "timeline of a machine")
for hive in (sample, real, cut):
    validate("ls", run(["ls", "-R", "--json", hive]), f"ls {os.path.basename(hive)}", lines=True)
    validate("ls", run(["ls", "-R", "-v", "--json", hive]), f"ls -v {os.path.basename(hive)}", lines=True)
    validate("stats", run(["stats", "--json", hive]), f"stats {os.path.basename(hive)}")
validate("get", run(["get", "--json", sample, "Control Panel\\Desktop"]), "get of a key")
validate("get", run(["get", "--json", sample, "Control Panel\\Desktop", "Wallpaper"]), "get of a value")
validate("find", run(["find", "--json", sample, "desk"]), "find", lines=True)
validate("find", run(["find", "--json", "--data", real, "windows"]), "find in data", lines=True)
validate("find", run(["find", "--json", "--data", real, "microsoft"]), "find inside binary data", lines=True)
validate("find", run(["find", "--json", "--hex", real, "43 3A 5C"]), "find a byte pattern", lines=True)
validate("get", run(["get", "--json", "--strings", real, ".DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Streams\\Desktop"]),
         "get --strings")
validate("diff", run(["diff", "--json", generated["system"], later], expect=(0, 1)), "diff", lines=True)
validate("diff", run(["diff", "--json", sample, real], expect=(0, 1)), "diff of two users", lines=True)
validate("history", run(["history", "--json", "--key", "Software", generated["system"], later, generated["system"]]),
         "history with a key's story")
validate("history", run(["history", "--json", sample, missing, cut, real], expect=(1,)), "history with a copy missing")

# Several files at once: one object (or document) a line, each naming its file.
for kind, args, lines in (("ls", ["ls", "-v", "--json"], True), ("stats", ["stats", "--json"], True),
                          ("get", ["get", "--json"], True), ("find", ["find", "--json"], True),
                          ("recover", ["recover", "--json", "-"], True)):
    two = [sample, generated["user"]] if kind == "get" else [sample, real]
    words = args + two + (["Control Panel/Desktop"] if kind == "get" else ["desk"] if kind == "find" else [])
    text = run(words, expect=(0, 1))
    validate(kind, text, f"{kind} of two files", lines=lines)
    files = {json.loads(line).get("file") for line in text.split("\n") if line}
    if files != set(two):
        failures.append(f"{kind} of two files: objects name {sorted(map(str, files))}, not both files")

# Text values carry their decoded text beside the display text and the bytes: the text is the
# bytes up to the first zero, in the hive's code page (1252 for the real user.dat).
for line in run(["ls", "-R", "-v", "--json", real]).split("\n"):
    if not line:
        continue
    for value in json.loads(line).get("values", []):
        raw = bytes.fromhex(value["hex"].replace(" ", ""))
        if value["typeNumber"] in (1, 2):
            want = raw.split(b"\0")[0].decode("cp1252", errors="replace")
            if value.get("text") != want:
                failures.append(f"ls -v {value['name']}: text {value.get('text')!r}, expected {want!r}")
        elif value["typeNumber"] == 7:
            want = []
            for part in raw.split(b"\0"):
                if not part:
                    break  # the empty string ends the list
                want.append(part.decode("cp1252", errors="replace"))
            if value.get("strings") != want:
                failures.append(f"ls -v {value['name']}: strings {value.get('strings')!r}, expected {want!r}")
        elif "text" in value or "strings" in value:
            failures.append(f"ls -v {value['name']}: a decoded text on a value of type {value['typeNumber']}")

# hives --carve-all over a raw file: a whole hive, then a copy with a data block's signature gone
# (a fragment with its keys and recovered ones). A build that reads no images has no carver.
carve_image = os.path.join(work, "carve.bin")
with open(carve_image, "wb") as f:
    f.write(bytes(4096) + data + bytes(512 - len(data) % 512) + bytes(damaged) + bytes(4096))
carved = subprocess.run([cli, "hives", "--carve-all", "--json", "-", carve_image], capture_output=True)
if carved.returncode == 0:
    validate("hives-carve", carved.stdout.decode("utf-8"), "hives --carve-all --json")
    if '"fragments": [{' not in carved.stdout.decode("utf-8"):
        failures.append("hives --carve-all --json: the damaged copy is not a fragment")
    else:
        # The fragment's facts by its address: the hive marked carved, each fact too.
        fragment = json.loads(carved.stdout)["fragments"][0]["offset"]
        validate("facts", run(["facts", "--json", "-", "%s::@0x%08X" % (carve_image, fragment)]), "facts of a fragment")
elif carved.returncode == 2 and b"reads no disk images" in carved.stderr:
    checked.pop("hives-carve", None)
else:
    failures.append(f"hives --carve-all: exit status {carved.returncode}: {carved.stderr.decode(errors='replace')[:300]}")

for kind, count in sorted(checked.items()):
    if count == 0:
        failures.append(f"{kind}: no document was checked against its schema")
for failure in failures:
    print("FAIL", failure)
print("checked: " + ", ".join(f"{kind} {count}" for kind, count in sorted(checked.items())))
sys.exit(1 if failures else 0)
