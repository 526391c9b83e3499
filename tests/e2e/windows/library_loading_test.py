"""Where the real exe takes its DLLs from: the system directory, and nowhere else."""

import os
import re
import shutil

import wine_harness
from wine_harness import CONFIG, REPORT_NAME, WineTestCase, windows_path
from report_model import Item

MARKER = "planted-dll-ran"  # what the planted DLL leaves beside itself when it is loaded
# Wine's trace of a DLL loaded, of the exe's own code starting (the loader calls its TLS callbacks
# before its entry point) and of the search policy being set, the one call the relay trace shows.
LOADED = re.compile(r'trace:loaddll:build_module Loaded L"(.*)" at ')
MINI_NT = r"HKLM\SYSTEM\CurrentControlSet\Control\MiniNT"
OWN_CODE, POLICY = "Call TLS callback", "Call KERNEL32.SetDefaultDllDirectories(00000800)"
# What a planted DLL stands in for: those Windows programs are known to look for beside them.
PLANTED = ("bcrypt", "tbs", "cryptbase", "cryptsp", "version", "userenv", "dbghelp")


class LibraryLoading(WineTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.prefix.reg("add", r"HKCU\Software\Wine\Debug", "/v", "RelayInclude", "/d",
                       "kernel32.SetDefaultDllDirectories")

    def run_in_fresh_directory(self, tbs=wine_harness.TPM_20, overrides="tbs=n,b", planted=()):
        """planted: names of DLLs a hostile copy of which lies beside the exe. Returns Wine's trace too."""
        directory = self.fresh_directory("Downloads")
        exe = wine_harness.install_program(directory)
        for name in planted:
            shutil.copyfile(CONFIG.planted_dll, os.path.join(directory, name + ".dll"))
        code, stdout, trace = self.prefix.wine([exe], cwd=directory, with_stderr=True, extra_env={
            "WINEDLLOVERRIDES": overrides, "QUILLBROOK_FAKE_TBS": "%d %d" % tbs, "WINEDEBUG": "+loaddll,+relay"})
        report = os.path.join(directory, REPORT_NAME)
        assessment = self.assertRunMatchesModel(wine_harness.Run(code, stdout), "Report: " + windows_path(report))
        self.assertReportFile(report, assessment)
        return directory, assessment, trace.decode(errors="replace").splitlines()

    def assertLoadedFromTheSystemOnly(self, directory, trace):
        """Nothing loaded between the exe's first code and its search policy, nor from beside it, and no
        planted DLL ran; returns the names of the DLLs loaded from the first code on."""
        started = next(number for number, line in enumerate(trace) if OWN_CODE in line)
        policy = next((number for number, line in enumerate(trace) if POLICY in line), None)
        self.assertIsNotNone(policy, "the search policy was never set")
        loaded = [match.group(1).replace("\\\\", "\\") for match in map(LOADED.search, trace[started:]) if match]
        self.assertEqual([line for line in trace[started:policy] if LOADED.search(line)], [])
        self.assertEqual([path for path in loaded if path.startswith(windows_path(directory) + "\\")], [])
        self.assertFalse(os.path.exists(os.path.join(directory, MARKER)), "a planted DLL ran")
        return [path.split("\\")[-1][:-len(".dll")].lower() for path in loaded]

    def test_no_dll_is_loaded_from_beside_the_exe_nor_before_the_search_policy(self):
        names = []  # the second run plants a hostile copy of each DLL the first one loaded
        for situation in ("nothing planted", "the run's DLLs planted"):
            with self.subTest(situation):
                directory, _, trace = self.run_in_fresh_directory(overrides=",".join(names or ["tbs"]) + "=n,b",
                                                                  planted=names)
                names = self.assertLoadedFromTheSystemOnly(directory, trace)

    def test_the_fleet_tool_and_the_inventory_helper_start_alike(self):
        # the helper without arguments only says how it is called: its start-up is what counts here
        for exe, arguments, exit_code in ((CONFIG.fleet, ["--version"], 0), (CONFIG.inventory, [], 2)):
            with self.subTest(os.path.basename(exe)):
                directory = self.fresh_directory("Downloads")
                shutil.copy(exe, directory)
                for name in PLANTED:
                    shutil.copyfile(CONFIG.planted_dll, os.path.join(directory, name + ".dll"))
                code, _, trace = self.prefix.wine([os.path.join(directory, os.path.basename(exe))] + arguments,
                                                  cwd=directory, with_stderr=True,
                                                  extra_env={"WINEDEBUG": "+loaddll,+relay"})
                self.assertEqual(code, exit_code)
                self.assertLoadedFromTheSystemOnly(directory, trace.decode(errors="replace").splitlines())

    def test_the_stack_guard_differs_from_run_to_run(self):
        guards = {self.prefix.wine([CONFIG.stack_guard], check=True)[1].strip() for _ in range(2)}
        self.assertEqual(len(guards), 2, guards)

    def test_a_tbs_dll_beside_the_exe_is_never_loaded(self):
        # The system's stand-in answers TPM 1.2; the planted DLL would answer 2.0.
        directory, assessment, _ = self.run_in_fresh_directory(tbs=(0, 1), planted=("tbs",))
        self.assertFalse(os.path.exists(os.path.join(directory, MARKER)), "the planted tbs.dll ran")
        self.assertEqual(assessment.official[2], Item("TPM 2.0", False, "nur TPM 1.2 erkannt"))

    def test_without_tbs_dll_in_the_system_directory_the_tpm_query_fails_and_the_run_goes_on(self):
        system_dll = os.path.join(self.prefix.root, "drive_c", "windows", "system32", "tbs.dll")
        shutil.move(system_dll, system_dll + ".away")
        self.addCleanup(shutil.move, system_dll + ".away", system_dll)
        # "n" alone: Wine may not fall back to its built-in TPM Base Services either.
        for situation, planted in (("nothing planted", ()), ("one planted beside the exe", ("tbs",))):
            with self.subTest(situation):
                directory, assessment, _ = self.run_in_fresh_directory(overrides="tbs=n", planted=planted)
                self.assertEqual(assessment.official[2],
                                 Item("TPM 2.0", False, "nicht verfuegbar (TBS Fehler 2150121473)"))
                self.assertFalse(os.path.exists(os.path.join(directory, MARKER)), "the planted tbs.dll ran")
        with self.subTest("Windows PE, which measures disks, not its RAM disk; Wine shows it none"):
            self.prefix.reg("add", MINI_NT, "/f")
            self.addCleanup(self.prefix.reg, "delete", MINI_NT, "/f")
            _, assessment, _ = self.run_in_fresh_directory(overrides="tbs=n")
            self.assertEqual([assessment.technical[-1], assessment.official[2]],
                             [Item("Systemlaufwerk >= 64 GiB", False, "Kapazitaet konnte nicht gelesen werden"),
                              Item("TPM 2.0", False, "nicht ermittelbar (Windows PE ohne TBS)")])


if __name__ == "__main__":
    wine_harness.main()
