"""The Windows side under Wine: the start-up script with a directory standing in for the share, the
USB stick script, and quillbrook-fleet.exe with paths that are not ASCII."""

import json
import os
import pathlib
import datetime
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "windows"))
import wine_harness  # noqa: E402  (found through the path set just above)
from wine_harness import BOM, CONFIG, WineTestCase, windows_path  # noqa: E402

import harness  # noqa: E402
from harness import MACHINE_TYPES, report_bytes, write  # noqa: E402

SHARE_LINE = 'set "SHARE=\\\\server\\share"'
SIGNER_LINE = 'set "SIGNER="'


def verdict_of(report):
    """The exit code a report stands for. Under Wine UEFI-Boot always fails, so it is 1 or 2."""
    technical = wine_harness.lines_under(report, "[Technische Mindestanforderungen]")
    return 2 if any(line.startswith("[NO ] ") for line in technical) else 1


class WindowsSide(WineTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # PowerShell as the scripts start it, standing in for Wine's stub, which prints nothing.
        shutil.copyfile(CONFIG.stand_in, os.path.join(cls.prefix.root, "drive_c", "windows", "system32",
                                                      "WindowsPowerShell", "v1.0", "powershell.exe"))

    def startup_script(self, share):
        """The script as an admin would set it up: its share line pointing at share."""
        with open(CONFIG.script, encoding="ascii", newline="") as f:
            text = f.read()
        self.assertIn(SHARE_LINE + "\r\n", text, "the share is set in one line near the top")
        script = os.path.join(self.fresh_directory("script"), "quillbrook-startup.cmd")
        with open(script, "w", encoding="ascii", newline="") as f:
            f.write(text.replace(SHARE_LINE, 'set "SHARE=%s"' % windows_path(share)))
        return script

    def computer(self):
        name = self.prefix.wine(["cmd", "/c", "echo %COMPUTERNAME%"])[1].decode().strip()
        self.assertTrue(name)
        return name

    def last_exit_code(self):
        """The start-up script's marker for Intune, as reg.exe shows it."""
        out = self.prefix.wine(["reg", "query", "HKLM\\SOFTWARE\\Quillbrook", "/v", "LastExitCode"])[1].decode()
        return int(out.split("REG_DWORD")[1].split()[0], 16) if "REG_DWORD" in out else None

    def test_startup_script_files_report_and_inventory_and_records_its_run(self):
        computer = self.computer()
        leftover = os.path.join(self.prefix.root, "drive_c", "Program Files", "Quillbrook", "run")
        crash = 0xC0000005
        # situation, program on the share, the inventory tool, has reports\, temporary names taken first,
        # exit code (None: the verdict)
        cases = [("share as set up", CONFIG.exe, True, True, 0, None),
                 ("inventory tool missing: the report all the same, the earlier inventory emptied", CONFIG.exe,
                  False, True, 0, None),
                 ("program missing on the share", None, True, True, 0, 3),
                 ("no reports directory on the share", CONFIG.exe, True, False, 0, 4),
                 ("the first temporary name taken: a second one", CONFIG.exe, True, True, 1, None),
                 ("both temporary names taken", CONFIG.exe, True, True, 2, 4),
                 ("a crash code reg refuses: no LastExitCode at all", CONFIG.stand_in, False, True, 0, crash)]
        for situation, program, with_inventory, with_reports, taken, code in cases:
            with self.subTest(situation):
                share = self.fresh_directory("share")
                for exe, name in ((program, "quillbrook.exe"),
                                  (with_inventory and CONFIG.inventory_exe, "quillbrook-inventory.exe")):
                    if exe:
                        shutil.copyfile(exe, os.path.join(share, name))
                reports = pathlib.Path(share, "reports")
                if with_reports:
                    write(str(reports / (computer + ".txt")), b"an earlier report, cut sh")
                    write(str(reports / (computer + ".inventory.json")), b"{}")
                # Another computer's files where this run's random names would go: copy cannot put one there.
                squatted = [computer + ".txt.nonce-%d.partial" % n for n in range(1, taken + 1)]
                for name in squatted:
                    os.makedirs(reports / name / "quillbrook-report.txt")
                # What a run cut short left in the working folder is never filed.
                write(os.path.join(leftover, "quillbrook-report.txt"), b"a report of a run cut short")
                self.prefix.reg("add", "HKLM\\SOFTWARE\\Quillbrook", "/v", "LastExitCode", "/t", "REG_DWORD", "/d",
                                "1", "/f")
                counter = os.path.join(self.fresh_directory("nonce"), "count")
                exit_code, _ = self.prefix.wine(["cmd", "/c", self.startup_script(share)],
                                                extra_env={"QUILLBROOK_NONCE_COUNTER": windows_path(counter)})
                self.assertFalse(os.path.exists(leftover))
                delivered = reports / (computer + ".txt")
                if code == crash:
                    self.assertEqual(exit_code, crash & 0xFF, "Linux keeps the exit code's low byte")
                    self.assertEqual(self.last_exit_code(), None, "an earlier run's verdict must not stand")
                    self.assertEqual(delivered.read_bytes(), b"Quillbrook\n")
                    continue
                self.assertEqual(self.last_exit_code(), exit_code)
                if code is not None:
                    self.assertEqual(exit_code, code)
                    self.assertEqual(delivered.exists() and delivered.read_bytes(),
                                     with_reports and b"an earlier report, cut sh")
                    continue
                data = delivered.read_bytes()
                self.assertTrue(data.startswith(BOM + b"Quillbrook\n") and data.endswith(b".\n"), data[:80])
                self.assertEqual(exit_code, verdict_of(data[len(BOM):].decode("utf-8")))
                self.assertEqual(sorted(os.listdir(reports)),
                                 sorted([computer + ".txt", computer + ".inventory.json"] + squatted))
                if with_inventory:
                    self.check_inventory_read_by_fleet(share, computer)
                else:
                    self.assertEqual((reports / (computer + ".inventory.json")).read_bytes(), b"")

    def check_inventory_read_by_fleet(self, share, computer):
        """The helper's file as the fleet tool reads it: its keys, its time as the report's."""
        out = windows_path(os.path.join(share, "fleet.json"))
        code, stdout = self.prefix.wine([CONFIG.fleet_exe, "--json", out, windows_path(os.path.join(share, "reports"))])
        self.assertEqual(code, 0, stdout)
        with open(os.path.join(share, "fleet.json"), encoding="utf-8") as f:
            document = json.load(f)
        self.assertEqual(document["unreadable_inventory"], [])
        with open(os.path.join(share, "reports", computer + ".inventory.json"), encoding="utf-8") as f:
            written = json.load(f)
        self.assertEqual(list(written)[-7:], ["cpu_vendor", "cpu_family", "cpu_model", "cpu_stepping", "cpu_cores",
                                              "cpu_logical", "cpu_max_mhz"])
        self.assertTrue(written["cpu_vendor"] and written["cpu_family"] >= 6 and written["cpu_logical"] >= 1, written)
        inventory = document["machines"][0]["inventory"]
        keys = ["computer_name", "collected", "manufacturer", "model", "model_number", "serial", "os", "bitlocker",
                "partition_style", "virtual_machine"] + list(written)[-7:]
        self.assertEqual(list(inventory), keys)
        self.assertEqual({key: inventory[key] for key in keys[-7:]}, {key: written[key] for key in keys[-7:]})
        self.assertEqual(inventory["computer_name"].upper(), computer.upper())
        self.assertEqual(inventory["bitlocker"], "unknown", "Wine has no manage-bde")
        self.assertIn(inventory["virtual_machine"], (True, False, None))
        collected = datetime.datetime.fromisoformat(inventory["collected"])
        self.assertLess(abs(datetime.datetime.now(datetime.timezone.utc) - collected), datetime.timedelta(minutes=5))
        self.assertEqual(document["machines"][0]["report_time"],
                         collected.astimezone(datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%SZ"))

    def test_inventory_exe_refuses_a_wrong_call_and_names_why_it_wrote_nothing(self):
        root = self.fresh_directory("inventory")
        # arguments, exit code, what standard error says
        cases = [(["x.json", "--bitlocker", "maybe"], 2, "Aufruf: quillbrook-inventory"),
                 (["x.json", "--bitlock", "on"], 2, "Aufruf: quillbrook-inventory"),
                 (["missing\\x.json", "--bitlocker", "on"], 1, "Inventar nicht gespeichert: missing\\x.json: "),
                 (["x.json", "--bitlocker", "off"], 0, "")]
        for args, code, says in cases:
            with self.subTest(args):
                exit_code, _, stderr = self.prefix.wine([CONFIG.inventory_exe] + args, cwd=root, with_stderr=True)
                self.assertEqual(exit_code, code, stderr)
                self.assertTrue(stderr.decode("utf-8").startswith(says), stderr)
        self.assertEqual(os.listdir(root), ["x.json"])

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

    def test_usb_stick_script_files_the_report_before_it_waits_for_a_key(self):
        computer = self.computer()
        stick = self.fresh_directory("stick")
        # A '%' in the folder is left out: Wine's cmd drops it from %~dp0 itself, where Windows keeps it.
        folder = os.path.join(stick, "IT & Co (2024)")
        for exe, name in ((CONFIG.exe, "quillbrook.exe"), (CONFIG.inventory_exe, "quillbrook-inventory.exe")):
            os.makedirs(folder, exist_ok=True)
            shutil.copyfile(exe, os.path.join(folder, name))
        self.usb_script(folder, 'set "SIGNER=keine"')
        filed = pathlib.Path(folder, "Berichte", computer + ".txt")
        # Input that never ends stands in for a user who closes the window at the prompt: the
        # report and its inventory must be on the stick while the script still waits.
        # Started in its folder, as Explorer does: Wine would pass a path with '&' to cmd /c without quotes.
        script = ["cmd", "/c", "quillbrook-usb.cmd"]
        with subprocess.Popen([CONFIG.wine_run] + script, cwd=folder, env=self.prefix.env, stdin=subprocess.PIPE,
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL) as waiting:
            deadline = time.monotonic() + 120
            while not (filed.with_suffix(".inventory.json").exists() and waiting.poll() is None):
                self.assertLess(time.monotonic(), deadline, "nothing filed")
                self.assertIsNone(waiting.poll(), "the script must wait for a key at its end")
                time.sleep(0.5)
            time.sleep(1)
            self.assertIsNone(waiting.poll(), "the script must wait for a key at its end")
            waiting.kill()
        data = filed.read_bytes()
        self.assertTrue(data.startswith(BOM + b"Quillbrook\n") and data.endswith(b".\n"), data[:80])
        self.assertEqual(sorted(os.listdir(filed.parent)), [computer + ".inventory.json", computer + ".txt"])
        # With input at its end the prompt returns, and the exit code is the verdict.
        exit_code, stdout = self.prefix.wine(script, cwd=folder)
        self.assertEqual(exit_code, verdict_of(data[len(BOM):].decode("utf-8")))
        self.assertIn(b'Bericht abgelegt: "' + windows_path(str(filed)).encode() + b'"\r\n', stdout)
        self.assertEqual(stdout.count(b"Taste"), 1, "one prompt, and it is the one that waits")
        self.assertNotIn(b"any key", stdout.lower())

        # A thumbprint set: the programs run only where PowerShell vouches for their signature.
        self.usb_script(folder, 'set "SIGNER=3A 5B 7C"')
        os.remove(filed)
        exit_code, stdout = self.prefix.wine(script, cwd=folder)
        self.assertEqual((exit_code, filed.exists()), (3, False), stdout)
        self.assertIn(b"nicht gueltig signiert vom Zertifikat 3A 5B 7C", stdout)
        # Vouched for, and filing to another stick's folder: the report there, and only the report.
        other = pathlib.Path(self.fresh_directory("second-stick"), "Runde 1")
        self.usb_script(folder, 'set "SIGNER=3A 5B 7C"', 'set "FILING=%s"' % windows_path(str(other)))
        exit_code, stdout = self.prefix.wine(script, cwd=folder, extra_env={"QUILLBROOK_POWERSHELL_SAYS": "gueltig"})
        self.assertEqual(exit_code, verdict_of(data[len(BOM):].decode("utf-8")), stdout)
        self.assertEqual(sorted(os.listdir(other)), [computer + ".inventory.json", computer + ".txt"])

    def usb_script(self, folder, signer_line, filing_line='set "FILING="'):
        """The stick script as an admin would set it up: its signer and its filing line replaced."""
        with open(CONFIG.usb_script, encoding="ascii", newline="") as f:
            text = f.read()
        for line in (SIGNER_LINE, 'set "FILING="'):
            self.assertIn(line + "\r\n", text, "set in one line near the top")
        with open(os.path.join(folder, "quillbrook-usb.cmd"), "w", encoding="ascii", newline="") as f:
            f.write(text.replace(SIGNER_LINE, signer_line).replace('set "FILING="', filing_line))

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
    wine_harness.main(fleet_exe="quillbrook-fleet.exe as built", inventory_exe="quillbrook-inventory.exe as built",
                      script="the start-up script", usb_script="the USB stick script",
                      stand_in="stands in for PowerShell and for a crashing program")
