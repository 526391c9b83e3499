"""The HTML page as a browser shows it: headless Chromium prints it, pdftotext reads it back."""

import html.parser
import os
import re
import subprocess
import tempfile

import harness
from harness import CHECK_NAMES, MACHINE_TYPES, FleetTestCase, report_bytes, write

# The printed list's step codes, as the page explains them; a machine's line there starts with its name and codes.
STEP_CODES = {"check_bitlocker": "BL?", "enable_uefi": "UEFI", "enable_secure_boot": "SB", "enable_tpm": "TPM",
              "tpm_upgrade": "TPM+", "larger_disk": "SSD+", "replace_pc": "NEU"}
ROW = r"(?:^|[\n\f]) ?(%s) +[A-Z0-9+? ]*?(?:JA|NEIN) "

# Counts chosen apart from each other, so each number found belongs to one label.
FLEET = {"compatible": 7, "firmware": 5, "no-tpm": 3, "old-cpu": 2, "secure-boot-off": 4}
UNREADABLE = 6


class ExternalReferences(html.parser.HTMLParser):
    """Collects whatever would make the page load something or run code."""

    def __init__(self):
        super().__init__()
        self.found = []

    def handle_starttag(self, tag, attrs):
        if tag in ("script", "link", "img", "iframe", "object", "embed"):
            self.found.append(tag)
        self.found += ["%s %s" % (tag, name) for name, _ in attrs if name in ("src", "href") or name.startswith("on")]

    def handle_data(self, data):
        if re.search(r"url\(|@import|@font-face", data):
            self.found.append(data[:80])


class HtmlPage(FleetTestCase):
    def test_the_rendered_page_shows_every_count(self):
        number = 0
        for kind, count in FLEET.items():
            for _ in range(count):
                number += 1
                write(self.path("reports", "PC-%d.txt" % number), report_bytes(MACHINE_TYPES[kind]))
                write(self.path("before", "PC-%d.txt" % number), report_bytes(MACHINE_TYPES["compatible"]))
        # The longest name a file system allows and the longest processor name a report may hold,
        # neither with a place to break: they must not push the other columns off the page. No rule
        # places that processor, so the machine is checked on site.
        long_one = harness.machine(("Q" * 48, "GenuineIntel"))
        write(self.path("reports", "LANG-" + "x" * 240 + ".txt"), report_bytes(long_one))
        for broken in range(UNREADABLE):
            write(self.path("reports", "broken-%d.txt" % broken), b"Quillbrook\n"[:broken + 1])
        self.assertEqual(self.run_fleet("--json", "before.json", "before").code, 0)
        run = self.run_fleet("--previous", "before.json", "--html", "fleet.html", "reports")
        self.assertEqual(run.code, 1, run.stderr)
        with open(self.path("fleet.html"), encoding="utf-8") as f:
            page = f.read()
        checker = ExternalReferences()
        checker.feed(page)
        self.assertEqual(checker.found, [], "the page must stand alone")

        text, page_size = self.rendered_text(self.path("fleet.html"))
        self.assertRegex(page_size, r"Page size: +841\.\d+ x 59[45]\.\d+ pts \(A4\)", "A4 landscape")
        kinds = [kind for kind, count in FLEET.items() for _ in range(count)]
        summary = harness.expected_summary([MACHINE_TYPES[k] for k in kinds] + [long_one], UNREADABLE,
                                           work=[harness.WORK[k] for k in kinds] + [("check", [], "unknown")])
        by_category = summary["by_category"]
        tops = [sum(by_category[c] for c in ("replace", "cpu_not_listed", "upgrade", "tpm_hardware")),
                by_category["firmware"], by_category["vm_settings"], by_category["check"], by_category["ready"], 0,
                UNREADABLE]
        tiles = (r"\n *%d +%d +%d +%d +%d +%d +%d +%d *\n *Rechner +Hardware nötig +Nur Einstellungen +VMs: "
                 r"Einstellungen +Vor Ort prüfen +Bereit")
        self.assertRegex(text, tiles % tuple([summary["machines"]] + tops), "the tiles, the work list's sums")
        worse = len(kinds) - FLEET["compatible"]
        self.assertRegex(text, r"\nSeit der Sammlung vom \d\d\.\d\d\.\d{4} \d\d:\d\d\nSchlechter geworden: %d – PC-8 " % worse)
        self.assertRegex(text, r"Quillbrook – erstellt [^\n]+ Seite 1 von \d+\n", "the printed footer")
        rows = dict(summary["failures_by_check"])
        rows.update({harness.CATEGORY_WORDS[category]: count for category, count in by_category.items()})
        for label, count in rows.items():
            # A chart row: the label, its bar (no text), the count and its share, on one line.
            pattern = r"[\n\f] *%s {2,}%d +[0-9]+,[0-9] %% *\n" % (re.escape(label), count)
            self.assertRegex(text, pattern, "%s: %d not shown" % (label, count))
        # The machines by category, worst first, each group in natural name order (PC-9 before PC-10).
        headings = re.findall(r"[\n\f](\S[^\n]*): (\d+) Rechner \(", text)
        shown = [(harness.CATEGORY_WORDS[c], str(n)) for c, n in by_category.items() if n]
        self.assertEqual(headings, shown)
        # A page's text may start at its left edge, where pdftotext leaves out the indent.
        listed = re.findall(ROW % r"PC-\d+", text)
        self.assertEqual(listed, ["PC-%d" % n for n in (16, 17, 8, 9, 10, 11, 12, 13, 14, 15, 18, 19, 20, 21,
                                                         1, 2, 3, 4, 5, 6, 7)])
        self.assertIn("broken-0.txt", text)
        for number in range(1, len(kinds) + 1):  # a line each, the steps as codes
            codes = " ".join(STEP_CODES[step] for step in harness.WORK[kinds[number - 1]][1])
            self.assertRegex(text, r"[\n\f] ?PC-%d +%s +(JA|NEIN) " % (number, re.escape(codes)))
        # Printed, every page with machine rows starts its table with the header.
        pages = [page for page in text.split("\f") if re.search(ROW % r"PC-\d+", page)]
        self.assertGreater(len(pages), 1)
        for page in pages:
            self.assertRegex(page, r"(?:^|\n) ?Rechner +Maßnahmen +Technisch +Offiziell +CPU", page[:300])
        self.assertEqual(len(CHECK_NAMES), len(summary["failures_by_check"]))

    def test_600_machines_print_on_fewer_than_20_pages(self):
        """Eight sites, a dozen models, last month's collection and 20 machines without a report: printed, each
        machine takes one line, and no German word is cut or broken."""
        sites = {"HAM": "Hamburg/Verwaltung", "MUC": "München/Entwicklung", "KOE": "Köln/Vertrieb",
                 "BRE": "Bremen/Werk", "LEI": "Leipzig/Lager", "STR": "Stuttgart/Außendienst",
                 "BER": "Berlin/Zentrale", "HAN": "Hannover/Service"}
        models = [(maker, model, kind) for maker, model in (
            ("LENOVO", "ThinkPad T480"), ("HP", "HP EliteBook 840 G5"), ("Dell Inc.", "OptiPlex 7050"),
            ("LENOVO", "ThinkCentre M920q"), ("HP", "HP ProDesk 400 G4"), ("Dell Inc.", "Latitude 5490"))
            for kind in ("compatible", "secure-boot-off", "firmware", "old-cpu", "kaby-lake", "no-tpm")][::5]
        expected = []
        for number in range(620):
            code = list(sites)[number % 8]
            name, site = "%s-%04d" % (code, number), sites[code]
            expected.append("%s;%s\n" % (name, site))
            if number >= 600:
                continue
            maker, model, kind = models[number // 8 % len(models)]
            for collection, shown in (("before", kind if number % 10 else "compatible"), ("reports", kind)):
                write(self.path(collection, name + ".txt"), report_bytes(MACHINE_TYPES[shown]))
            if number % 5:
                write(self.path("reports", name + ".inventory.json"), harness.inventory(
                    name, manufacturer=maker, model=model, bitlocker="on" if number % 3 else "off",
                    partition_style="mbr" if number % 4 else "gpt"))
        write(self.path("expected.txt"), "".join(expected).encode())
        self.assertEqual(self.run_fleet("--json", "before.json", "before").code, 0)
        run = self.run_fleet("--expect", "expected.txt", "--previous", "before.json", "--html", "fleet.html",
                             "reports")
        self.assertEqual(run.code, 1, run.stderr)
        text, info = self.rendered_text(self.path("fleet.html"))
        pages = int(re.search(r"Pages: +(\d+)", info).group(1))
        self.assertLess(pages, 20)
        # One line each, its site's name and its change whole: cut short or broken, they would not be found.
        rows = dict(re.findall(ROW % r"[A-Z]{3}-\d{4}" + r"+(?:JA|NEIN) ([^\n]*)", text))
        self.assertEqual(sorted(rows), sorted(e.split(";")[0] for e in expected[:600]))
        for name, rest in rows.items():
            self.assertRegex(rest, r" (unverändert|schlechter) +%s( |$)" % sites[name[:3]], name)
        self.assertRegex(text, r"\nErwartete Rechner ohne Bericht \(20\)\n")
        self.assertIn("BER-0606 (Berlin/Zentrale)", text)

    def rendered_text(self, page):
        """One Chromium start: the page printed to PDF, then its text laid out as printed and its page size."""
        with tempfile.TemporaryDirectory(prefix="chromium-") as home:
            pdf = os.path.join(home, "page.pdf")
            # No network, no sandbox (CI runs as root), a profile of its own that goes away after.
            subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                            "--no-first-run", "--disable-background-networking", "--disable-component-update",
                            "--disable-sync", "--user-data-dir=" + os.path.join(home, "profile"),
                            "--no-pdf-header-footer", "--print-to-pdf=" + pdf, "file://" + page],
                           env=dict(os.environ, HOME=home), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=60, check=True)
            text = subprocess.run(["pdftotext", "-layout", pdf, "-"], capture_output=True, check=True,
                                  timeout=30).stdout.decode("utf-8")
            info = subprocess.run(["pdfinfo", pdf], capture_output=True, check=True, timeout=30).stdout.decode()
            return text, info


if __name__ == "__main__":
    harness.main()
