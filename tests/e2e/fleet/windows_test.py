"""The Windows side under Wine: the start-up script with a directory standing in for the share, the
USB stick script, and quillbrook-fleet.exe with paths that are not ASCII."""

import json
import os
import pathlib
import shutil
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "windows"))
import wine_harness  # noqa: E402  (found through the path set just above)
from wine_harness import BOM, CONFIG, WineTestCase, windows_path  # noqa: E402

import harness  # noqa: E402
from harness import MACHINE_TYPES, report_bytes, write  # noqa: E402

SHARE_LINE = 'set "SHARE=\\\\server\\share"'


def verdict_of(report):
    """The exit code a report stands for. Under Wine UEFI-Boot always fails, so it is 1 or 2."""
    technical = wine_harness.lines_under(report, "[Technische Mindestanforderungen]")
    return 2 if any(line.startswith("[NO ] ") for line in technical) else 1


class WindowsSide(WineTestCase):
    def startup_script(self, share):
        """The script as an admin would set it up: its share line pointing at share."""
        with open(CONFIG.script, encoding="ascii", newline="") as f:
            text = f.read()
        self.assertIn(SHARE_LINE + "\r\n", text, "the share is set in one line near the top")
        script = os.path.join(self.fresh_directory("script"), "quillbrook-startup.cmd")
        with open(script, "w", encoding="ascii", newline="") as f:
            f.write(text.replace(SHARE_LINE, 'set "SHARE=%s"' % windows_path(share)))
        return script

    def test_startup_script_files_the_report_under_the_computer_name_and_keeps_the_exit_code(self):
        computer = self.prefix.wine(["cmd", "/c", "echo %COMPUTERNAME%"])[1].decode().strip()
        self.assertTrue(computer)
        # Where the script works when %RANDOM% is 4711: Wine's C:\windows\temp.
        planted = os.path.join(self.prefix.root, "drive_c", "windows", "temp", "quillbrook-471147114711")
        # situation, (share holds the program, share has reports\), planted there, exit code (None: the verdict)
        cases = [("share as set up", True, True, None, None),
                 ("program missing on the share", False, True, None, 3),
                 ("no reports directory on the share", True, False, None, 4),
                 ("a directory planted where the script works", True, True, "directory", 5),
                 ("a link to a directory elsewhere planted there", True, True, "link", 5)]
        for situation, with_program, with_reports, plant, code in cases:
            with self.subTest(situation):
                share = self.fresh_directory("share")
                if with_program:
                    shutil.copyfile(CONFIG.exe, os.path.join(share, "quillbrook.exe"))
                if with_reports:
                    write(os.path.join(share, "reports", computer + ".txt"), b"an earlier report, cut sh")
                if plant:
                    os.mkdir(planted) if plant == "directory" else os.symlink(self.fresh_directory("else"), planted)
                    shutil.copyfile(CONFIG.exe, os.path.join(planted, "quillbrook.exe"))
                exit_code, _ = self.prefix.wine(["cmd", "/c", self.startup_script(share)],
                                                extra_env={"RANDOM": "4711"} if plant else None)
                if plant:
                    self.assertEqual(os.listdir(planted), ["quillbrook.exe"], "neither run in nor written to")
                    (shutil.rmtree if plant == "directory" else os.remove)(planted)
                delivered = pathlib.Path(share, "reports", computer + ".txt")
                if code is not None:
                    self.assertEqual(exit_code, code)
                    self.assertEqual(delivered.exists() and delivered.read_bytes(),
                                     with_reports and b"an earlier report, cut sh")
                    continue
                with open(delivered, "rb") as f:
                    data = f.read()
                self.assertTrue(data.startswith(BOM + b"Quillbrook\n") and data.endswith(b".\n"), data[:80])
                self.assertEqual(exit_code, verdict_of(data[len(BOM):].decode("utf-8")))
                self.assertEqual(os.listdir(os.path.join(share, "reports")), [computer + ".txt"])

    def test_fleet_exe_reads_paths_that_are_not_ascii_and_prints_utf8(self):
        root = self.fresh_directory("fleet")
        top = os.path.join(root, "Pr\u00fcfung \u2713")
        write(os.path.join(top, "B\u00fcro-1.txt"), report_bytes(MACHINE_TYPES["compatible"], crlf=True))
        write(os.path.join(top, "Stra\u00dfe", "PC-\u00c4", "quillbrook-report.txt"),
              report_bytes(MACHINE_TYPES["no-tpm"]))
        out = windows_path(os.path.join(root, "fleet.json"))
        code, stdout = self.prefix.wine([CONFIG.fleet_exe, "--json", out, windows_path(top)], cwd=root)
        self.assertEqual(code, 0, stdout)
        text = stdout.decode("utf-8").replace("\r\n", "\n")
        self.assertEqual(harness.counts_in(text)["Nur Einstellungen"], 1, text)
        with open(os.path.join(root, "fleet.json"), encoding="utf-8") as f:
            machines = json.load(f)["machines"]
        self.assertEqual([m["name"] for m in machines], ["B\u00fcro-1", "PC-\u00c4"])
        self.assertEqual(machines[0]["file"], windows_path(top) + "\\B\u00fcro-1.txt")

    def test_usb_stick_script_files_the_report_in_berichte_under_the_computer_name(self):
        computer = self.prefix.wine(["cmd", "/c", "echo %COMPUTERNAME%"])[1].decode().strip()
        stick = self.fresh_directory("stick")
        shutil.copyfile(CONFIG.exe, os.path.join(stick, "quillbrook.exe"))
        shutil.copyfile(CONFIG.usb_script, os.path.join(stick, "quillbrook-usb.cmd"))
        # Standard input at its end stands in for the key the user presses.
        exit_code, _ = self.prefix.wine(["cmd", "/c", windows_path(os.path.join(stick, "quillbrook-usb.cmd"))])
        data = pathlib.Path(stick, "Berichte", computer + ".txt").read_bytes()
        self.assertTrue(data.startswith(BOM + b"Quillbrook\n") and data.endswith(b".\n"), data[:80])
        self.assertEqual(exit_code, verdict_of(data[len(BOM):].decode("utf-8")))

    def test_fleet_exe_ends_a_walk_through_links_to_its_own_directory(self):
        # Wine shows a Linux symbolic link as a plain directory, as Windows shows no junction: only
        # the directories already visited, known by volume and index, end the loop here.
        root = self.fresh_directory("loop")
        write(os.path.join(root, "r", "PC-1.txt"), report_bytes(MACHINE_TYPES["compatible"]))
        os.symlink(".", os.path.join(root, "r", "a"))
        os.symlink(".", os.path.join(root, "r", "b"))
        code, stdout = self.prefix.wine([CONFIG.fleet_exe, windows_path(os.path.join(root, "r"))], cwd=root)
        self.assertEqual(code, 0, stdout)
        self.assertEqual(harness.counts_in(stdout.decode("utf-8").replace("\r\n", "\n"))["Rechner (lesbare Berichte)"],
                         1)

    def test_fleet_exe_shows_a_path_with_an_unpaired_surrogate_with_u_fffd(self):
        root = self.fresh_directory("surrogate")
        write(os.path.join(root, "reports", "PC-1.txt"), b"")
        # Windows takes "x\..\" away before the file system sees the name, so this PATH exists.
        top = windows_path(root) + "\\PC-?\\..\\reports"
        launcher = os.path.join(CONFIG.scratch, "surrogate_launcher.exe")
        code, stdout = self.prefix.wine([launcher, CONFIG.fleet_exe, top], cwd=root)
        self.assertEqual(code, 2, stdout)
        self.assertIn(top.replace("?", "\ufffd") + "\\PC-1.txt: leere Datei", stdout.decode("utf-8"))


if __name__ == "__main__":
    wine_harness.main(fleet_exe="quillbrook-fleet.exe as built", script="the start-up script",
                      usb_script="the USB stick script")
