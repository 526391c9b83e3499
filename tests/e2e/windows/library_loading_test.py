"""Where the real exe takes TPM Base Services from: the system directory, and nowhere else."""

import os
import shutil

import wine_harness
from wine_harness import CONFIG, REPORT_NAME, WineTestCase, windows_path
from report_model import Item

MARKER = "planted-dll-ran"  # what the planted DLL leaves beside itself when it is loaded


class LibraryLoading(WineTestCase):
    def run_in_fresh_directory(self, tbs=wine_harness.TPM_20, overrides="tbs=n,b", planted=False):
        directory = self.fresh_directory("Downloads")
        exe = wine_harness.install_program(directory)
        if planted:
            shutil.copyfile(CONFIG.planted_tbs, os.path.join(directory, "tbs.dll"))
        run = self.prefix.run_quillbrook(exe, cwd=directory, tbs=tbs, overrides=overrides)
        report = os.path.join(directory, REPORT_NAME)
        assessment = self.assertRunMatchesModel(run, "Report: " + windows_path(report))
        self.assertReportFile(report, assessment)
        return directory, assessment

    def test_a_tbs_dll_beside_the_exe_is_never_loaded(self):
        # The system's stand-in answers TPM 1.2; the planted DLL would answer 2.0.
        directory, assessment = self.run_in_fresh_directory(tbs=(0, 1), planted=True)
        self.assertFalse(os.path.exists(os.path.join(directory, MARKER)), "the planted tbs.dll ran")
        self.assertEqual(assessment.official[2], Item("TPM 2.0", False, "nur TPM 1.2 erkannt"))

    def test_without_tbs_dll_in_the_system_directory_the_tpm_query_fails_and_the_run_goes_on(self):
        system_dll = os.path.join(self.prefix.root, "drive_c", "windows", "system32", "tbs.dll")
        shutil.move(system_dll, system_dll + ".away")
        self.addCleanup(shutil.move, system_dll + ".away", system_dll)
        # "n" alone: Wine may not fall back to its built-in TPM Base Services either.
        for situation, planted in (("nothing planted", False), ("one planted beside the exe", True)):
            with self.subTest(situation):
                directory, assessment = self.run_in_fresh_directory(overrides="tbs=n", planted=planted)
                self.assertEqual(assessment.official[2],
                                 Item("TPM 2.0", False, "nicht verfuegbar (TBS Fehler 2150121473)"))
                self.assertFalse(os.path.exists(os.path.join(directory, MARKER)), "the planted tbs.dll ran")


if __name__ == "__main__":
    wine_harness.main()
