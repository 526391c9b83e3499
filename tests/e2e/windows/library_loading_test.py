"""Where the real exe takes its DLLs from: the system directory, and nowhere else."""

import os
import re
import shutil

import wine_harness
from wine_harness import CONFIG, REPORT_NAME, WineTestCase, windows_path
from report_model import Item

MARKER = "planted-dll-ran"  # what the planted DLL leaves beside itself when it is loaded
# Wine's trace of each DLL a run loads, the first code of the exe running (the loader calls its
# TLS callbacks before its entry point) and the search policy being set; the relay trace is
# limited to that one call in setUpClass.
LOADED = re.compile(r'trace:loaddll:build_module Loaded L"(.*)" at ([0-9A-F]+): ')
OWN_CODE = re.compile(r"Call TLS callback \(proc=\w+,module=([0-9A-F]+),|Starting thread proc")
POLICY = "Call KERNEL32.SetDefaultDllDirectories(00000800)"


class LibraryLoading(WineTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.prefix.reg("add", r"HKCU\Software\Wine\Debug", "/v", "RelayInclude", "/t", "REG_SZ", "/d",
                       "kernel32.SetDefaultDllDirectories", "/f")

    def run_in_fresh_directory(self, tbs=wine_harness.TPM_20, overrides="tbs=n,b", planted=()):
        """planted: DLL names a hostile copy of which lies beside the exe. Returns Wine's trace too."""
        directory = self.fresh_directory("Downloads")
        exe = wine_harness.install_program(directory)
        for name in planted:
            shutil.copyfile(CONFIG.planted_tbs, os.path.join(directory, name))
        code, stdout, trace = self.prefix.wine_with_stderr(
            [exe], cwd=directory, extra_env={"WINEDLLOVERRIDES": overrides, "QUILLBROOK_FAKE_TBS": "%d %d" % tbs,
                                             "WINEDEBUG": "+loaddll,+relay"})
        report = os.path.join(directory, REPORT_NAME)
        assessment = self.assertRunMatchesModel(wine_harness.Run(code, stdout), "Report: " + windows_path(report))
        self.assertReportFile(report, assessment)
        return directory, assessment, trace.decode(errors="replace").splitlines()

    def test_the_search_policy_comes_before_every_dll_the_program_loads(self):
        _, _, trace = self.run_in_fresh_directory()
        # Which DLLs the program's code loads differs between Wine versions; each gets a hostile copy.
        loaded_by_the_program, started = [], False
        for line in trace:
            started = started or bool(OWN_CODE.search(line))
            if started and LOADED.search(line):
                loaded_by_the_program.append(LOADED.search(line).group(1).split("\\")[-1].lower())
        self.assertIn("tbs.dll", loaded_by_the_program)
        overrides = ",".join(name[:-len(".dll")] for name in loaded_by_the_program) + "=n,b"
        for situation, planted in (("nothing planted", ()), ("its DLLs planted beside the exe", loaded_by_the_program)):
            with self.subTest(situation):
                directory, _, trace = self.run_in_fresh_directory(overrides=overrides, planted=planted)
                beside = windows_path(directory).lower() + "\\"
                loads = [match.group(1).replace("\\\\", "\\") for match in map(LOADED.search, trace) if match]
                self.assertEqual([path for path in loads[1:] if path.lower().startswith(beside)], [],
                                 "DLLs loaded from the exe's directory")
                self.assertFalse(os.path.exists(os.path.join(directory, MARKER)), "a planted DLL ran")
                # From the exe's first code on, nothing is loaded before the policy is set.
                first_code = next(number for number, line in enumerate(trace) if OWN_CODE.search(line))
                policy = next((number for number, line in enumerate(trace) if POLICY in line), len(trace))
                self.assertLess(policy, len(trace), "the search policy was never set")
                self.assertEqual([line for line in trace[first_code:policy] if LOADED.search(line)], [],
                                 "loaded before the search policy")

    def test_a_tbs_dll_beside_the_exe_is_never_loaded(self):
        # The system's stand-in answers TPM 1.2; the planted DLL would answer 2.0.
        directory, assessment, _ = self.run_in_fresh_directory(tbs=(0, 1), planted=["tbs.dll"])
        self.assertFalse(os.path.exists(os.path.join(directory, MARKER)), "the planted tbs.dll ran")
        self.assertEqual(assessment.official[2], Item("TPM 2.0", False, "nur TPM 1.2 erkannt"))

    def test_without_tbs_dll_in_the_system_directory_the_tpm_query_fails_and_the_run_goes_on(self):
        system_dll = os.path.join(self.prefix.root, "drive_c", "windows", "system32", "tbs.dll")
        shutil.move(system_dll, system_dll + ".away")
        self.addCleanup(shutil.move, system_dll + ".away", system_dll)
        # "n" alone: Wine may not fall back to its built-in TPM Base Services either.
        for situation, planted in (("nothing planted", ()), ("one planted beside the exe", ["tbs.dll"])):
            with self.subTest(situation):
                directory, assessment, _ = self.run_in_fresh_directory(overrides="tbs=n", planted=planted)
                self.assertEqual(assessment.official[2],
                                 Item("TPM 2.0", False, "nicht verfuegbar (TBS Fehler 2150121473)"))
                self.assertFalse(os.path.exists(os.path.join(directory, MARKER)), "the planted tbs.dll ran")


if __name__ == "__main__":
    wine_harness.main()
