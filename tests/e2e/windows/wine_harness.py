"""Runs the real quillbrook.exe under Wine and checks a run against report_model.

Every script brings up one throw-away prefix and keeps its wineserver alive until the
end, so a run costs a fraction of a second instead of a fresh Wine start each time.
Nothing Wine starts may inherit the test's own stdout or stderr: CTest waits for every
holder of its pipe, and Wine's helper processes outlive the program by seconds.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import report_model  # noqa: E402  (found through the path set just above)

CONFIG = argparse.Namespace(exe=None, fleet=None, inventory=None, stack_guard=None, fake_tbs=None, planted_dll=None,
                            hidden_launcher=None, wine_run=None, scratch=None)

REPORT_NAME = "quillbrook-report.txt"
BOM = b"\xef\xbb\xbf"
# A run that hangs is waiting for a key it will never get; fail instead of blocking CTest.
RUN_TIMEOUT = 60
TECHNICAL_NAMES = ["64-Bit CPU", "64-Bit Betriebssystem", "SSE4.2", "POPCNT", "NX / XD Bit", "CMPXCHG16b",
                   "LAHF/SAHF", "RAM >= 4 GiB", "Systemlaufwerk >= 64 GiB"]
OFFICIAL_NAMES = ["UEFI-Boot", "Secure Boot", "TPM 2.0"]
# Wine has no GetFirmwareType, and its firmware-variable read answers as a legacy BIOS does.
WINE_UEFI_ITEM = report_model.Item("UEFI-Boot", False, "Legacy/BIOS")
TPM_20 = (0, 2)


def main(**more_options):
    """Runs the calling script's tests; more_options names further required paths and their help."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True, help="quillbrook.exe as built")
    parser.add_argument("--fake-tbs", required=True, help="the stand-in tbs.dll")
    parser.add_argument("--fleet", help="quillbrook-fleet.exe as built")
    parser.add_argument("--inventory", help="quillbrook-inventory.exe as built")
    parser.add_argument("--stack-guard", help="prints the stack guard the exes' start-up seeded")
    parser.add_argument("--planted-dll", help="a DLL that must never be loaded, copied under the names it stands for")
    parser.add_argument("--hidden-launcher", help="starts a program in a console without a window")
    parser.add_argument("--wine-run", required=True, help="the Wine launcher script")
    parser.add_argument("--scratch", required=True, help="directory for prefixes and program copies")
    for name, help_text in more_options.items():
        parser.add_argument("--" + name.replace("_", "-"), required=True, help=help_text)
    args, rest = parser.parse_known_args()
    vars(CONFIG).update(vars(args))
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


def windows_path(unix_path):
    """The name Wine gives a Linux path: through drive Z:, with backslashes."""
    return "Z:" + os.path.realpath(unix_path).replace("/", "\\")


class Run:
    def __init__(self, exit_code, stdout):
        self.exit_code = exit_code
        self.stdout = stdout  # the raw bytes
        # The runtime writes stdout in text mode, so every LF arrives as CR LF.
        self.text = stdout.decode("utf-8").replace("\r\n", "\n")


class WinePrefix:
    def __init__(self, with_tbs=True):
        """with_tbs: the system directory holds the stand-in tbs.dll; without, no tbs.dll at all."""
        self.root = tempfile.mkdtemp(prefix="wine-prefix-", dir=CONFIG.scratch)
        self.env = dict(os.environ, WINEPREFIX=self.root, WINEDEBUG="-all")
        try:
            # Persistent until close: reg.exe's writes then reach the next run without a
            # flush, and no run pays for a server start.
            self._wineserver("-p", check=True)
            self.wine(["wineboot", "-i"], check=True)
        except BaseException:
            self.close()
            raise
        # Wine's own placeholder stands there until replaced; "tbs=n" then finds nothing to load.
        system_dll = os.path.join(self.root, "drive_c", "windows", "system32", "tbs.dll")
        if with_tbs:
            shutil.copyfile(CONFIG.fake_tbs, system_dll)
        else:
            os.remove(system_dll)

    def close(self):
        # -k ends only this prefix's server and the Wine processes attached to it.
        self._wineserver("-k")
        self._wineserver("-w")
        shutil.rmtree(self.root, ignore_errors=True)

    def _wineserver(self, option, check=False):
        subprocess.run([shutil.which("wineserver") or "wineserver", option], env=self.env, check=check,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def wine(self, args, cwd=None, extra_env=None, check=False, with_stderr=False):
        """Runs a Windows program; returns its exit code and stdout bytes, and with_stderr also stderr
        (Wine's chatter, or the traces WINEDEBUG asks for)."""
        env = dict(self.env, **(extra_env or {}))
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            done = subprocess.run([CONFIG.wine_run] + list(args), cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                                  stdout=out, stderr=err, timeout=RUN_TIMEOUT)
            out.seek(0)
            err.seek(0)
            stdout, stderr = out.read(), err.read()
        if check and done.returncode != 0:
            raise RuntimeError("%s failed with %d: %s" % (args, done.returncode, stderr.decode(errors="replace")))
        return (done.returncode, stdout, stderr) if with_stderr else (done.returncode, stdout)

    def run_quillbrook(self, exe, cwd, tbs=TPM_20, overrides="tbs=n,b"):
        """Runs a copy made by install_program with the stand-in TPM answering (result, version).

        Native first, so the stand-in in the system directory (and any tbs.dll a search by bare
        name would find) wins over Wine's built-in one."""
        code, stdout = self.wine([exe], cwd=cwd, extra_env={"WINEDLLOVERRIDES": overrides,
                                                            "QUILLBROOK_FAKE_TBS": "%d %d" % tbs})
        return Run(code, stdout)

    def reg(self, *args):
        return self.wine(["reg"] + list(args))[0]


def install_program(directory):
    """Copies the exe into directory; returns the exe's path."""
    os.makedirs(directory, exist_ok=True)
    exe = os.path.join(directory, "quillbrook.exe")
    shutil.copyfile(CONFIG.exe, exe)
    return exe


def lines_under(text, title):
    """The lines of the block that starts after the line title and ends at the next empty line."""
    lines = text.split("\n")
    if title not in lines:
        return []
    block = []
    for line in lines[lines.index(title) + 1:]:
        if not line:
            break
        block.append(line)
    return block


class WineTestCase(unittest.TestCase):
    """One prefix per test class, shared by all its cases."""

    maxDiff = None

    @classmethod
    def setUpClass(cls):
        cls.prefix = WinePrefix()
        cls.addClassCleanup(cls.prefix.close)
        cls.workspace = tempfile.mkdtemp(prefix="programs-", dir=CONFIG.scratch)
        cls.addClassCleanup(shutil.rmtree, cls.workspace, True)

    def fresh_directory(self, name):
        return tempfile.mkdtemp(prefix=name + "-", dir=self.workspace)

    def assertRunMatchesModel(self, run, report_line):
        """The whole stdout against the model rebuilt from its own items; returns the assessment."""
        self.assertFalse(b"\x1b" in run.stdout, "escape byte at offset %d of stdout" % run.stdout.find(b"\x1b"))
        self.assertFalse("\r" in run.text, "CR without LF at offset %d of stdout" % run.text.find("\r"))
        # A run always prints its item lists: without them, show what Wine gave back instead.
        self.assertIn("[Technische Mindestanforderungen]", run.text,
                      "exit code %d, stdout %r" % (run.exit_code, run.stdout[:400]))
        assessment = report_model.parse_console(run.text)
        technical = TECHNICAL_NAMES[:7] + (["PrefetchW (AMD)"] if assessment.vendor == "AuthenticAMD" else [])
        technical += TECHNICAL_NAMES[7:]
        self.assertEqual([item.name for item in assessment.technical], technical)
        self.assertEqual([item.name for item in assessment.official], OFFICIAL_NAMES)
        self.assertEqual(assessment.official[0], WINE_UEFI_ITEM)

        expected = report_model.console_text(assessment, report_line)
        if run.text != expected:
            self.fail("stdout differs from the model, " + report_model.first_difference(expected, run.text))
        self.assertEqual(run.exit_code, assessment.exit_code, "exit code")
        # UEFI-Boot always fails under Wine, so no run here may claim full compatibility.
        self.assertIn(run.exit_code, (1, 2))
        return assessment

    def assertReportFile(self, path, assessment):
        """The file is the BOM and the model's report text, byte for byte."""
        with open(path, "rb") as f:
            data = f.read()
        self.assertTrue(data.startswith(BOM), "no byte-order mark: %r" % data[:8])
        self.assertTrue(data.endswith(b"\n"), "does not end with the hint's LF: %r" % data[-8:])
        self.assertFalse(b"\r" in data, "CR byte at offset %d of the report" % data.find(b"\r"))
        expected = BOM + report_model.report_text(assessment).encode("utf-8")
        if data != expected:
            self.fail("report file differs from the model, "
                      + report_model.first_difference(expected.decode("utf-8"), data.decode("utf-8", "replace")))


class InstalledProgramTestCase(WineTestCase):
    """One copy of the program, shared by all cases of the class."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.directory = os.path.join(cls.workspace, "program")
        cls.exe = install_program(cls.directory)
        cls.report_line = "Report: " + windows_path(os.path.join(cls.directory, REPORT_NAME))
