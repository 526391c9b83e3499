"""quillbrook-fleet over a directory of reports: summary, CSV, JSON and exit codes."""

import collections
import csv
import glob
import json
import os
import shutil
import subprocess
import time

import harness
from harness import CHECK_NAMES, MACHINE_TYPES, FleetTestCase, report_bytes, write

SUMMARY_LABELS = {  # summary text label -> JSON summary key
    "Rechner (lesbare Berichte)": "machines", "Nicht lesbare Dateien": "unreadable",
    "Erwartete Rechner ohne Bericht": "missing"}
# The counts at the top are the work list's categories taken together: the two blocks cannot disagree.
TOP_COUNTS = {"Hardware nötig": ["replace", "cpu_not_listed", "upgrade", "tpm_hardware"],
              "Nur Einstellungen": ["firmware"], "VMs: Einstellungen": ["vm_settings"], "Vor Ort prüfen": ["check"],
              "Bereit": ["ready"]}

# Where each machine's report lies below reports/, its type and how it is encoded.
FLEET = [
    ("PC-0001.txt", "compatible", dict()),
    ("PC-0002.txt", "firmware", dict(bom=False, crlf=True)),
    ("PC-0003.TXT", "secure-boot-off", dict()),
    ("sub/PC-0004.txt", "no-tpm", dict(crlf=True)),
    ("sub/PC-0005/Quillbrook-Report.txt", "old-cpu", dict(bom=False)),
    ("sub/PC-0006.txt", "amd-no-prefetchw", dict()),
    ("sub/deeper/PC-0007.txt", "firmware", dict()),
    ("sub/PC-0008.txt", "kaby-lake", dict()),
    ("sub/PC-0009.txt", "no-tpm", dict(utf16=True)),
    # Saved from the console: PowerShell 5.1's '>' (UTF-16), and PowerShell 7's (UTF-8, no mark).
    ("console/PC-0010.txt", "secure-boot-off", dict(console=True, utf16=True)),
    ("console/PC-0011.txt", "kaby-lake", dict(console=True, bom=False)),
    # One machine, two reports: the newer counts, whatever the file's name says of case or domain.
    ("other/PC-0001.txt", "compatible", dict()),
    ("other/pc-0003.example.lan.txt", "no-tpm", dict()),
]
TIME = 1765000000  # every report's last write, but for these (seconds later)
NEWER = {"other/PC-0001.txt": -3600, "other/pc-0003.example.lan.txt": 3600}
INVENTORY_COLUMNS = ["Modell", "Seriennummer", "Betriebssystem", "BitLocker", "Partitionsstil", "Hinweise"]
SUPERSEDED = {"reports/other/PC-0001.txt": "PC-0001", "reports/PC-0003.TXT": "PC-0003"}


def broken_files():
    """File below reports/ -> (bytes, line, reason) for files that must be listed as unreadable."""
    good = report_bytes(MACHINE_TYPES["secure-boot-off"]).decode("utf-8")
    lines = good.split("\n")
    verdict = lines.index("Offiziell kompatibel               : NEIN")
    unknown = lines.index("[OK ] POPCNT                     : vorhanden")
    return {
        "broken/cut.txt": (good[:good.index("[Ergebnis]") + 4], lines.index("[Ergebnis]") + 1,
                           "Bericht endet vorzeitig"),
        "broken/empty.txt": ("", 0, "leere Datei"),
        "broken/no-final-line-end.txt": (good[:-1], len(lines) - 1, "Bericht endet vorzeitig"),
        "broken/readme.txt": ("Bitte alle Berichte hier ablegen.\n", 1, "kein Quillbrook-Bericht"),
        "broken/claims-compatible.txt": (good.replace(lines[verdict], "Offiziell kompatibel               : JA"),
                                         verdict + 1, "Ergebnis widerspricht den Prüfungen"),
        "broken/unknown-check.txt": (good.replace("POPCNT ", "POPCNX "), unknown + 1, "unbekannte Prüfung"),
        "broken/huge.txt": (good + "x" * 70000, 0, "größer als 64 KiB"),
    }


OLD_CPU, READY = report_bytes(MACHINE_TYPES["old-cpu"]), report_bytes(MACHINE_TYPES["compatible"])
LATER = TIME + 3600
Y2286 = 9972028800  # 2286-01-01 UTC, beyond 64-bit nanoseconds since 1970


def nested_machine(megabytes):
    """Writes a --previous file whose one machine holds that many MiB of empty arrays. Piece by piece: a
    child's peak memory as the kernel counts it is never below what this process had at its peak."""
    def write_to(path):
        with open(path, "wb") as f:
            f.write(b'{"machines":[{"name":"PC-1","checks":[')
            for _ in range(megabytes):
                f.write(b"[]," * (2**20 // 3))
            f.write(b"[]]}]}")
    return write_to


def groups(count):
    return "".join("PC-%05d;Gruppe %05d\n" % (n, n) for n in range(count)).encode()


# What a computer or a careless admin can do to another machine's row and to the tool's own files, each
# through the whole tool. Files below the case's directory: bytes, (bytes, last write), a str for a link
# to it, or what writes it. Then the arguments, the exit code, fields of machines by name (JSON keys;
# "csv:" a CSV column), what stderr holds, and the most processor seconds and MiB the run may take. The
# limits sit between what the tool takes on a busy CI machine (up to a second) and what the unbounded
# reading and the quadratic count took (10 s and more, gigabytes).
ATTACKS = [
    ("an inventory of another computer beside the report",
     {"r/PC-A.txt": OLD_CPU, "r/PC-A.inventory.json": harness.inventory(
         "PC-B", virtual_machine=True, collected="1700-01-01T00:00:00Z", bitlocker="on", partition_style="mbr")},
     ["r"], 0, {"PC-A": {"category": "replace", "actions": harness.WORK["old-cpu"][1], "inventory": None,
                         "inventory_mismatch": True, "report_time": "2025-12-06T05:46:40Z",
                         "csv:Hinweise": "Inventar eines anderen Rechners (PC-B) übergangen"}}, "", None),
    ("newer variants in the machine's folder",
     {"r/PC-A.txt": OLD_CPU, "r/PC-A.1.txt": (READY, LATER), "r/PC-A..txt": (READY, LATER),
      "r/PC-A._.txt": (READY, LATER), "r/PC-A.corp.lan.txt": (READY, LATER)},
     ["r"], 1, {"PC-A": {"file": "r/PC-A.txt", "category": "replace", "conflict": True,
                         "csv:Hinweise": "Namenskonflikt"}}, "", None),
    ("a newer variant differing in case", {"r/PC-A.txt": OLD_CPU, "r/pc-a.txt": (READY, LATER)},
     ["r"], 1, {"PC-A": {"file": "r/PC-A.txt", "category": "replace", "conflict": True}}, "", None),
    ("a file dated 2286", {"r/PC-T.txt": (READY, Y2286)}, ["r"], 0,
     {"PC-T": {"future": True, "report_time": "2261-12-31T23:59:59Z", "csv:Hinweise": "Zeit nach dem Lauf"}}, "",
     None),
    ("a bidi override in an inventory's text", {"r/PC-I.txt": READY, "r/PC-I.inventory.json": harness.inventory(
        "PC-I", manufacturer="Dell Inc.", model="Opti\u202eplex", serial="S\u200bN", os="W\u202d11")}, ["r"], 0,
     {"PC-I": {"csv:Modell": "Dell Inc. Opti\\u202Eplex", "csv:Seriennummer": "S\\u200BN",
               "csv:Betriebssystem": "W\\u202D11"}}, "", None),
    ("a copy made in Explorer", {"r/PC-A.txt": READY, "r/PC-A - Kopie.txt": READY}, ["r"], 0,
     {"PC-A": {"file": "r/PC-A.txt", "csv:Kategorie": "Bereit"}}, "", None),
    ("an output name that is a link", {"r/PC-A.txt": READY, "out.csv": "target.csv", "target.csv": b"untouched"},
     ["r"], 0, {"PC-A": {"csv:Kategorie": "Bereit"}}, "", None),
    ("--previous with 60 MiB of arrays in one machine", {"r/PC-A.txt": READY, "p.json": nested_machine(60)},
     ["--previous", "p.json", "r"], 2, {},
     "p.json ist keine JSON-Datei von quillbrook-fleet: ein Rechner darin ist größer als 256 KiB\n", (3, 100)),
    ("--previous nested deeper than the tool writes", {"r/PC-A.txt": READY, "p.json": b"{" + b'"a":[' * 17},
     ["--previous", "p.json", "r"], 2, {}, "p.json ist keine JSON-Datei von quillbrook-fleet: sie ist tiefer", None),
    ("--expect with 80,000 groups", {"r/PC-00001.txt": READY, "e.txt": groups(80000)},
     ["--expect", "e.txt", "r"], 1, {"PC-00001": {"group": "Gruppe 00001"}}, "", (3, 100)),
    ("a byte-order mark inside --expect", {"r/PC-1.txt": READY, "e.txt": b"PC-1\r\n\xef\xbb\xbfPC-2\r\n"},
     ["--expect", "e.txt", "r"], 2, {}, "e.txt, Zeile 2: ein Byte-Order-Mark mitten in der Datei", None),
]


class Fleet(FleetTestCase):
    def test_no_computer_bends_another_row_nor_the_tool_its_files(self):
        for situation, files, args, code, machines, stderr, limits in ATTACKS:
            with self.subTest(situation):
                case_dir = self.path(situation.replace(" ", "-"))
                os.makedirs(case_dir)
                for relative, data in files.items():
                    path = os.path.join(case_dir, relative)
                    if callable(data):
                        data(path)
                    elif isinstance(data, str):
                        os.symlink(data, path)
                    else:
                        data, when = data if isinstance(data, tuple) else (data, TIME)
                        write(path, data)
                        os.utime(path, (when, when))
                run = self.run_fleet("--json", "out.json", "--csv", "out.csv", *args, cwd=case_dir)
                self.assertEqual(run.code, code, run.stdout[-2000:] + run.stderr)
                self.assertIn(stderr, run.stderr)
                self.assertEqual(run.stderr == "", stderr == "", run.stderr)
                if limits and os.environ.get("QUILLBROOK_SANITIZE") != "1":  # a sanitizer's checks cost more
                    self.assertTrue(run.seconds < limits[0] and run.mebibytes < limits[1],
                                    "%.2f processor seconds, %.0f MiB at the peak" % (run.seconds, run.mebibytes))
                # Nothing but the outputs is written, and nothing is left beside them.
                for relative, data in files.items():
                    if isinstance(data, bytes):
                        with open(os.path.join(case_dir, relative), "rb") as f:
                            self.assertEqual(f.read(), data, relative)
                self.assertEqual(glob.glob(os.path.join(case_dir, "**", "*.tmp"), recursive=True), [])
                if machines:
                    self.check_attacked(case_dir, machines)

    def check_attacked(self, case_dir, machines):
        listed = {m["name"]: m for m in harness.load_json(os.path.join(case_dir, "out.json"))["machines"]}
        with open(os.path.join(case_dir, "out.csv"), encoding="utf-8-sig", newline="") as f:
            rows = list(csv.reader(f, delimiter=";"))
        self.assertFalse(os.path.islink(os.path.join(case_dir, "out.csv")), "the link itself is replaced")
        cells = {row[0]: dict(zip(rows[0], row)) for row in rows[1:]}
        self.assertEqual(sorted(listed), sorted(machines))
        for name, fields in machines.items():
            shown = {key: cells[name][key[4:]] if key.startswith("csv:") else listed[name][key] for key in fields}
            self.assertEqual(shown, fields, name)

    def test_a_full_disk_leaves_last_months_file_whole(self):
        full = self.path("full")
        os.makedirs(full)
        if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", "tmpfs", full], capture_output=True).returncode:
            self.skipTest("no tmpfs can be mounted here (not root, or no mount rights)")
        self.addCleanup(subprocess.run, ["umount", full], check=True)
        last_month = json.dumps({"machines": [{"name": "PC-%d" % n} for n in range(20000)]}).encode()
        write(os.path.join(full, "fleet.json"), last_month)
        for n in range(1000):  # some 1.5 MB of JSON
            write(self.path("r", "PC-%d.txt" % n), READY)
        run = self.run_fleet("--json", "full/fleet.json", "r")
        self.assertEqual(run.code, 2, run.stderr)
        self.assertIn("full/fleet.json konnte nicht geschrieben werden: No space left on device", run.stderr)
        self.assertEqual(os.listdir(full), ["fleet.json"])
        with open(os.path.join(full, "fleet.json"), "rb") as f:
            self.assertEqual(f.read(), last_month)


    def lay_out_fleet(self):
        """Writes the fleet and returns (machines: file -> (name, assessment), unreadable: file -> (line, reason))."""
        machines = {}
        for relative, kind, encoding in FLEET:
            write(self.path("reports", relative), report_bytes(MACHINE_TYPES[kind], **encoding))
            when = TIME + NEWER.get(relative, 0)
            os.utime(self.path("reports", relative), (when, when))
            name = os.path.basename(os.path.dirname(relative)) if "report" in relative.lower() else relative
            if "reports/" + relative not in SUPERSEDED:
                machines["reports/" + relative] = (os.path.splitext(os.path.basename(name))[0], MACHINE_TYPES[kind],
                                                   harness.WORK[kind] + (when,))
        unreadable = {}
        for relative, (text, line, reason) in broken_files().items():
            write(self.path("reports", relative), text.encode("utf-8"))
            unreadable["reports/" + relative] = (line, reason)
        # Not even listed: files without the .txt ending. Never followed or waited for, but listed:
        # links, and what is no regular file (a FIFO would hang a read that waits for a writer).
        write(self.path("reports", "notes.md"), report_bytes(MACHINE_TYPES["compatible"]))
        os.symlink("PC-0001.txt", self.path("reports", "link.txt"))
        os.symlink("sub", self.path("reports", "linked-dir"))
        os.mkfifo(self.path("reports", "broken", "fifo.txt"))
        unreadable.update({"reports/link.txt": (0, "Verknüpfung übersprungen"),
                           "reports/linked-dir": (0, "Verknüpfung übersprungen"),
                           "reports/broken/fifo.txt": (0, "keine normale Datei")})
        return machines, unreadable

    def add_this_machine(self, machines):
        """The real program's report of this machine, in a directory named after it."""
        directory = self.path("reports", "this-pc")
        os.makedirs(directory)
        program = shutil.copy(harness.CONFIG.quillbrook, directory)
        done = subprocess.run([program], cwd=directory, stdin=subprocess.DEVNULL, capture_output=True, timeout=30)
        machines["reports/this-pc/quillbrook-report.txt"] = (
            "this-pc", harness.report_model.parse_console(done.stdout.decode("utf-8")), None)

    def test_a_fleet_with_broken_files(self):
        machines, unreadable = self.lay_out_fleet()
        if harness.CONFIG.quillbrook:
            self.add_this_machine(machines)
        # The subdirectory given as well: its files are the same files, read once.
        run = self.run_fleet("--csv", "fleet.csv", "--json", "fleet.json", "--html", "fleet.html",
                             "--models-csv", "models.csv", "reports", "reports/sub")
        self.assertEqual(run.code, 1, run.stdout + run.stderr)
        self.assertEqual(run.stderr, "")
        document = harness.load_json(self.path("fleet.json"))
        if harness.CONFIG.quillbrook:  # what this machine needs is the tool's to say; it must fit the exit code
            this = [m for m in document["machines"] if m["name"] == "this-pc"][0]
            self.assertEqual(this["category"] == "ready", this["exit_code"] == 0)
            machines[this["file"]] = machines[this["file"]][:2] + ((this["category"], this["actions"],
                                                                     this["processor_on_list"], None),)
        expected = harness.expected_summary([a for _, a, _ in machines.values()], len(unreadable),
                                            work=[w[:3] for _, _, w in machines.values()], superseded=2)

        counts = harness.counts_in(run.stdout)
        self.assertEqual({key: counts[label] for label, key in SUMMARY_LABELS.items()},
                         {key: expected[key] for key in SUMMARY_LABELS.values()})
        for label, ids in TOP_COUNTS.items():
            self.assertEqual(counts[label], sum(expected["by_category"][c] for c in ids), label)
            self.assertEqual(counts[label], sum(counts[harness.CATEGORY_WORDS[c]] for c in ids), label)
        self.assertEqual({name: counts[name] for name in CHECK_NAMES}, expected["failures_by_check"])
        for file, (line, reason) in unreadable.items():
            where = " (Zeile %d)" % line if line else ""
            self.assertIn("\n - %s%s: %s\n" % (file, where, reason), run.stdout)

        self.assertIn("\n[Durch neuere ersetzte Berichte]\n - reports/other/PC-0001.txt (PC-0001)\n"
                      " - reports/PC-0003.TXT (PC-0003)\n", run.stdout)
        self.check_json(document, machines, unreadable, expected)
        self.check_csv(machines)
        # None has an inventory: one model, a row per category and steps, in the same order in both files.
        work = collections.Counter((w[0], tuple(w[1])) for _, _, w in machines.values())
        self.assertEqual({(m["category"], tuple(m["actions"])): m["machines"] for m in document["by_model"]}, work)
        self.assertEqual({(m["manufacturer"], m["model"]) for m in document["by_model"]}, {(None, None)})
        with open(self.path("models.csv"), encoding="utf-8-sig", newline="") as f:
            rows = list(csv.reader(f, delimiter=";"))
        self.assertEqual(rows[0], ["Modell", "Anzahl", "Kategorie", "Maßnahmen"])
        self.assertEqual([(r[0], int(r[1]), r[2]) for r in rows[1:]], [
            ("ohne Inventar", m["machines"], harness.CATEGORY_WORDS[m["category"]]) for m in document["by_model"]])

    def check_json(self, document, machines, unreadable, expected):
        self.assertEqual(list(document), ["summary", "by_model", "machines", "unreadable", "missing", "superseded",
                                          "gone", "conflicts", "future", "unreadable_inventory", "copies"])
        self.assertEqual(sorted((s["file"], s["name"]) for s in document["superseded"]), sorted(SUPERSEDED.items()))
        self.assertEqual(document["summary"], expected)
        self.assertEqual(list(document["summary"]["failures_by_check"]), CHECK_NAMES)
        listed = {m["file"]: m for m in document["machines"]}
        self.assertEqual(sorted(listed), sorted(machines))
        for file, (name, a, (category, actions, listing, when)) in machines.items():
            checks = [{"group": group, "name": i.name, "passed": i.passed, "detail": i.detail}
                      for group, items in (("technical", a.technical), ("official", a.official)) for i in items]
            self.assertEqual(listed[file], {
                "name": name, "file": file, "cpu": a.brand, "vendor": a.vendor,
                "technically_compatible": a.technically_compatible, "officially_compatible": a.officially_compatible,
                "exit_code": a.exit_code, "checks": checks, "category": category, "actions": actions,
                "report_time": listed[file]["report_time"] if when is None else
                time.strftime("%Y-%m-%dT%H:%M:%SZ", time.gmtime(when)), "processor_on_list": listing,
                "memory_bytes": harness.gib_bytes(a.technical[-2].detail),
                "system_drive_bytes": harness.gib_bytes(a.technical[-1].detail),
                "inventory": None, "conflict": False, "future": False, "unusual_name": False,
                "inventory_mismatch": False})
        self.assertEqual({u["file"]: (u["line"], u["reason"]) for u in document["unreadable"]}, unreadable)

    def check_csv(self, machines):
        with open(self.path("fleet.csv"), "rb") as f:
            self.assertTrue(f.read().startswith(harness.BOM), "Excel needs the byte-order mark to take UTF-8")
        with open(self.path("fleet.csv"), encoding="utf-8-sig", newline="") as f:
            rows = list(csv.reader(f, delimiter=";"))
        self.assertEqual(rows[0], ["Rechner", "Datei", "CPU", "Vendor", "Technisch kompatibel",
                                   "Offiziell kompatibel", "Exit-Code"] + CHECK_NAMES
                         + ["Kategorie", "Maßnahmen", "Stand", "Zeitzone", "Prozessor auf der Liste", "Änderung",
                            "RAM (Byte)", "RAM (GiB)", "Systemlaufwerk (Byte)", "Systemlaufwerk (GiB)", "Gruppe"]
                         + INVENTORY_COLUMNS)
        # Without inventories their columns stay empty; the rest is as it always was.
        self.assertEqual({tuple(row[-6:]) for row in rows[1:]}, {("",) * 6})
        by_file = {row[1]: row[:-6] for row in rows[1:]}
        self.assertEqual(len(by_file), len(rows) - 1)
        words = dict(harness.CATEGORY_WORDS, yes="ja", no="nein", unknown="unbekannt")
        for file, (name, a, (category, actions, listing, when)) in machines.items():
            cells = {i.name: ("OK" if i.passed else "NO") + " - " + harness.german_detail(i.detail)
                     for i in a.technical + a.official}
            row = by_file[file]
            stand = row[-9] if when is None else time.strftime("%Y-%m-%d %H:%M", time.gmtime(when))
            sizes = []
            for item in a.technical[-2:]:  # bytes, and GiB as the report gives them but with a decimal comma
                gib = harness.gib_bytes(item.detail)
                sizes += [str(gib or ""), harness.german_detail(item.detail).removeprefix("Kapazitaet ")
                          .split(" GiB")[0] if gib else ""]
            self.assertEqual(row, [
                name, file, a.brand, a.vendor, "JA" if a.technically_compatible else "NEIN",
                "JA" if a.officially_compatible else "NEIN", str(a.exit_code)]
                + [cells.get(n, "") for n in CHECK_NAMES]
                + [words[category], row[-10], stand, "UTC", words[listing], ""] + sizes + [""])
            self.assertEqual(len(row[-10].split(" / ")) if row[-10] else 0, len(actions))

    def test_expected_machines_without_a_report_are_listed_in_every_output(self):
        write(self.path("r", "PC-1.txt"), report_bytes(MACHINE_TYPES["compatible"]))
        write(self.path("expected.txt"),
              b"\xef\xbb\xbf# site A\r\npc-1.example.lan;Hamburg\r\n\r\n  PC-2 ; K\xc3\xb6ln # desk 4\r\nPC-3\tHamburg\r\n"
              b"pc-2\r\n")
        run = self.run_fleet("--expect", "expected.txt", "--csv", "f.csv", "--json", "f.json", "--html", "f.html",
                             "r")
        self.assertEqual(run.code, 1, run.stdout + run.stderr)
        self.assertIn("Erwartete Rechner ohne Bericht       : 2\n", run.stdout)
        self.assertIn("\n[Erwartete Rechner ohne Bericht]\n - PC-2 (Köln)\n - PC-3 (Hamburg)\n", run.stdout)
        document = harness.load_json(self.path("f.json"))
        self.assertEqual((document["missing"], document["summary"]["missing"]), (["PC-2", "PC-3"], 2))
        # The second column groups: each group's categories and machines without a report.
        self.assertEqual(document["machines"][0]["group"], "Hamburg")
        self.assertEqual({g: (c["ready"], c["missing"]) for g, c in document["summary"]["by_group"].items()},
                         {"Hamburg": (1, 1), "Köln": (0, 1)})
        self.assertIn("\n[Gruppe Köln]\n", run.stdout)
        with open(self.path("f.csv"), encoding="utf-8-sig", newline="") as f:
            rows = [(row[0], row[-17], row[-7]) for row in csv.reader(f, delimiter=";")][1:]
        self.assertEqual(rows, [("PC-1", "Bereit", "Hamburg"), ("PC-2", "kein Bericht", "Köln"),
                                ("PC-3", "kein Bericht", "Hamburg")])
        with open(self.path("f.html"), encoding="utf-8") as f:
            self.assertIn("<li>PC-3 (Hamburg)</li>", f.read())

    def test_the_admins_own_lists(self):
        """Saved by Excel (Windows-1252, a header row, a group in other letter case) and an AD export."""
        lists = [(b"Computername;Standort\r\nPC-1;M\xfcnchen/Entwicklung\r\nPC-2;M\xdcNCHEN/entwicklung\r\n",
                  {"PC-1": "München/Entwicklung", "PC-2": "München/Entwicklung"}),
                 (b'#TYPE Microsoft.ActiveDirectory.Management.ADComputer\r\n"DistinguishedName","Name","SID"\r\n'
                  b'"CN=PC-1,OU=Vertrieb,OU=Hamburg,DC=corp,DC=lan","PC-1","S-1-5-21-1"\r\n'
                  b'"CN=PC-2,OU=Werk\\, Nord,OU=Bremen,DC=corp,DC=lan","PC-2","S-1-5-21-2"\r\n',
                  {"PC-1": "Hamburg/Vertrieb", "PC-2": "Bremen/Werk, Nord"})]
        for number, (data, groups) in enumerate(lists):
            with self.subTest(data[:20]):
                for name in groups:
                    write(self.path(str(number), "r", name + ".txt"), report_bytes(MACHINE_TYPES["compatible"]))
                write(self.path(str(number), "e.csv"), data)
                run = self.run_fleet("--expect", "e.csv", "--json", "f.json", "r", cwd=self.path(str(number)))
                self.assertEqual(run.code, 0, run.stdout + run.stderr)  # no header taken for a missing machine
                self.assertEqual("als Windows-1252 gelesen" in run.stdout, number == 0)
                with open(self.path(str(number), "f.json"), encoding="utf-8") as f:
                    document = json.load(f)
                self.assertEqual({m["name"]: m["group"] for m in document["machines"]}, groups)
                self.assertEqual(sorted(document["summary"]["by_group"]), sorted(set(groups.values())))

    def test_changes_since_an_earlier_collection(self):
        before = {"PC-1": "firmware", "PC-2": "old-cpu", "PC-3": "compatible", "PC-4": "compatible"}
        now = {"pc-1": "compatible", "PC-2": "old-cpu", "PC-3": "secure-boot-off", "PC-5": "compatible"}
        for collection, machines in (("before", before), ("now", now)):
            for name, kind in machines.items():
                write(self.path(collection, name + ".txt"), report_bytes(MACHINE_TYPES[kind]))
        self.assertEqual(self.run_fleet("--json", "before.json", "before").code, 0)
        document = harness.load_json(self.path("before.json"))
        for machine in document["machines"]:  # as the tool wrote it before machines had a category
            del machine["category"]
        with open(self.path("before.json"), "w", encoding="utf-8") as f:
            json.dump(document, f)
        write(self.path("now.json"), b"x" * 10**6)  # a longer file there: replaced whole
        run = self.run_fleet("--previous", "before.json", "--json", "now.json", "--csv", "now.csv", "now")
        self.assertEqual(run.code, 0, run.stdout + run.stderr)
        document = harness.load_json(self.path("now.json"))
        self.assertEqual({m["name"]: m["change"] for m in document["machines"]},
                         {"pc-1": "better", "PC-2": "same", "PC-3": "worse", "PC-5": "new"})
        self.assertEqual(document["gone"], ["PC-4"])
        newest = max(os.path.getmtime(self.path("before", name + ".txt")) for name in before)
        self.assertIn("\n[Seit der Sammlung vom %s]\nSchlechter                           : 1\n"
                      "Besser                               : 1\n" % time.strftime("%d.%m.%Y %H:%M", time.gmtime(newest)),
                      run.stdout)
        self.assertIn("\n[Schlechter geworden]\n - PC-3 (jetzt Firmware-Einstellungen)\n", run.stdout)
        self.assertIn("\n[Nicht mehr gemeldet]\n - PC-4\n", run.stdout)

    def test_standard_output_that_cannot_be_written_is_exit_code_2(self):
        write(self.path("r", "PC-1.txt"), report_bytes(MACHINE_TYPES["compatible"]))
        for args in (["r"], ["--version"]):
            with open("/dev/full", "wb") as full:
                done = subprocess.run([harness.CONFIG.fleet] + args, cwd=self.workdir, stdout=full,
                                      stderr=subprocess.PIPE, stdin=subprocess.DEVNULL, timeout=60)
            self.assertEqual(done.returncode, 2, args)
            self.assertIn(b"die Standardausgabe konnte nicht geschrieben werden", done.stderr)

    def test_exit_codes(self):
        good = report_bytes(MACHINE_TYPES["compatible"])
        outputs = ["--csv", "f.csv", "--json", "f.json", "--html", "f.html"]
        usage = "Aufruf: quillbrook-fleet"
        # situation, files to lay out, arguments, exit code, output files written, stdout holds, stderr holds
        cases = [
            ("every file read", {"r/a.txt": good, "r/b.txt": good}, outputs + ["r"], 0, True,
             "Rechner (lesbare Berichte)           : 2\n", ""),
            ("one file given, after --", {"-a.log": good}, outputs + ["--", "-a.log"], 0, True,
             "Bereit                               : 1\n", ""),
            ("nothing readable", {"r/a.txt": b"", "r/b.txt": good[:40]}, outputs + ["r"], 2, False,
             " - r/a.txt: leere Datei\n - r/b.txt (Zeile 2): Bericht endet vorzeitig\n", ""),
            ("no report found", {"r/a.log": good}, outputs + ["r"], 2, False,
             "Rechner (lesbare Berichte)           : 0\n", ""),
            ("PATH missing", {"r/a.txt": good}, outputs + ["r", "s"], 2, False, None, "PFAD nicht gefunden: s\n" + usage),
            ("expect file missing", {"r/a.txt": good}, ["--expect", "e.txt", "r"], 2, None, None,
             "e.txt konnte nicht gelesen werden\n"),
            ("earlier collection not from this tool", {"r/a.txt": good, "p.json": b'{"machines": [1]}'},
             ["--previous", "p.json", "r"], 2, None, None, "p.json ist keine JSON-Datei von quillbrook-fleet\n"),
            # Read whole, these would block, never end or use up the memory.
            ("expect file a device", {"r/a.txt": good}, ["--expect", "/dev/zero", "r"], 2, None, None,
             "/dev/zero ist keine normale Datei\n"),
            ("earlier collection over 64 MiB", {"r/a.txt": good, "p.json": None}, ["--previous", "p.json", "r"], 2,
             None, None, "p.json ist größer als 64 MiB\n"),
            # A stream stays a stream, after the summary: appended to where standard output is a file.
            ("JSON to standard output", {"r/a.txt": good}, ["--json", "-", "r"], 0, None,
             "TPM 2.0".ljust(26) + " : 0\n{\n  \"summary\": {", ""),
            ("CSV to /dev/stdout", {"r/a.txt": good}, ["--csv", "/dev/stdout", "r"], 0, None,
             "TPM 2.0".ljust(26) + " : 0\n\ufeffRechner;Datei;", ""),
            ("help", {"r/a.txt": good}, ["r", "--help"], 0, None, "  --expect DATEI ", ""),
            ("version", {"r/a.txt": good}, ["--version"], 0, None,
             "quillbrook-fleet %s\n" % os.environ["QUILLBROOK_VERSION"], ""),
            ("unknown option", {"r/a.txt": good}, ["--pdf", "f.pdf", "r"], 2, False, None,
             "unbekannte Option: --pdf\n" + usage),
            ("output file cannot be written", {"r/a.txt": good, "f.html/x": b""}, outputs + ["r"], 2, None,
             "Rechner (lesbare Berichte)           : 1\n", "f.html konnte nicht geschrieben werden: "),
        ]
        for situation, files, args, code, written, stdout, stderr in cases:
            with self.subTest(situation):
                case_dir = self.path(situation.replace(" ", "-"))
                for relative, data in files.items():
                    write(os.path.join(case_dir, relative), data or b"")
                    if data is None:  # sparse, one byte over the limit
                        os.truncate(os.path.join(case_dir, relative), 64 * 1024 * 1024 + 1)
                run = self.run_fleet(*args, cwd=case_dir)
                self.assertEqual(run.code, code, run.stdout + run.stderr)
                if stdout is None:
                    self.assertEqual(run.stdout, "", "a usage error prints no summary")
                else:
                    self.assertIn(stdout, run.stdout)
                self.assertIn(stderr, run.stderr)
                self.assertEqual(run.stderr == "", stderr == "", run.stderr)
                for name in ("f.csv", "f.json", "f.html") if written is not None else ():
                    self.assertEqual(os.path.exists(os.path.join(case_dir, name)), written, name)


if __name__ == "__main__":
    harness.main()
