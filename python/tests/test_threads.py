"""Two threads read two hives at once: the engine runs without the GIL, and the results are
those of one thread alone."""

import threading

import quarvex
from conftest import NOW, need


def work(path):
    hive = quarvex.open(path)
    return ([k.to_dict() for k in hive.walk()], [f.text for f in hive.check()], len(hive.recover()), hive.report({"now": NOW}))


def test_two_threads_two_hives(files):
    paths = [need(files, "system"), files["user"]]
    alone = [work(p) for p in paths]
    results = [None, None]
    errors = []
    start = threading.Barrier(2)

    def run(n):
        try:
            start.wait()
            for _ in range(3):
                results[n] = work(paths[n])
        except Exception as error:  # reported below, with the thread's result missing
            errors.append(error)

    threads = [threading.Thread(target=run, args=(n,)) for n in range(2)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert errors == [] and results == alone


def test_threads_share_one_hive(files):
    hive = quarvex.open(files["user"])
    outputs = []

    def run():
        outputs.append((len(hive.recover()), len(hive.check())))

    threads = [threading.Thread(target=run) for _ in range(4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert outputs == [(10, 2)] * 4
