"""The HTML page as a browser shows it: headless Chromium prints it, pdftotext reads it back."""

import html.parser
import os
import re
import subprocess
import tempfile

import harness
from harness import CHECK_NAMES, MACHINE_TYPES, FleetTestCase, report_bytes, write

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
                write(self.path("reports", "PC-%04d.txt" % number), report_bytes(MACHINE_TYPES[kind]))
        for broken in range(UNREADABLE):
            write(self.path("reports", "broken-%d.txt" % broken), b"Quillbrook\n"[:broken + 1])
        run = self.run_fleet("--html", "fleet.html", "reports")
        self.assertEqual(run.code, 1, run.stderr)
        with open(self.path("fleet.html"), encoding="utf-8") as f:
            page = f.read()
        checker = ExternalReferences()
        checker.feed(page)
        self.assertEqual(checker.found, [], "the page must stand alone")

        text = self.rendered_text(self.path("fleet.html"))
        machines = [a for kind, count in FLEET.items() for a in [MACHINE_TYPES[kind]] * count]
        summary = harness.expected_summary(machines, UNREADABLE)
        tiles = r"\n *%d +%d +0 *\n *Rechner +Nicht lesbare Dateien +Erwartet, ohne Bericht *\n" % (
            summary["machines"], UNREADABLE)
        self.assertRegex(text, tiles, "the two tiles")
        rows = {
            "Offiziell kompatibel": summary["officially_compatible"],
            "Nur technisch kompatibel": summary["technically_compatible_only"],
            "davon nur Firmware-Einstellungen": summary["firmware_settings_only"],
            "davon TPM 2.0 fehlt": summary["tpm_missing"],
            "Nicht technisch kompatibel": summary["not_compatible"],
        }
        rows.update(summary["failures_by_check"])
        for label, count in rows.items():
            # A chart row: the label, its bar (no text) and the count, on one line.
            pattern = r"\n *%s {2,}%d *\n" % (re.escape(label), count)
            self.assertRegex(text, pattern, "%s: %d not shown" % (label, count))
        for name in ("PC-0001", "PC-%04d" % number, "broken-0.txt"):
            self.assertIn(name, text)
        self.assertEqual(len(CHECK_NAMES), len(summary["failures_by_check"]))

    def rendered_text(self, page):
        """One Chromium start: the page printed to PDF, then its text laid out as printed."""
        with tempfile.TemporaryDirectory(prefix="chromium-") as home:
            pdf = os.path.join(home, "page.pdf")
            # No network, no sandbox (CI runs as root), a profile of its own that goes away after.
            subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                            "--no-first-run", "--disable-background-networking", "--disable-component-update",
                            "--disable-sync", "--user-data-dir=" + os.path.join(home, "profile"),
                            "--no-pdf-header-footer", "--print-to-pdf=" + pdf, "file://" + page],
                           env=dict(os.environ, HOME=home), stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=60, check=True)
            return subprocess.run(["pdftotext", "-layout", pdf, "-"], capture_output=True, check=True,
                                  timeout=30).stdout.decode("utf-8")


if __name__ == "__main__":
    harness.main()
