"""The "TPM 2.0" item of the real exe for each answer TPM Base Services can give."""

import os

import wine_harness
from wine_harness import REPORT_NAME, InstalledProgramTestCase

TPM_LINE_START = {True: "[OK ] TPM 2.0                    : ", False: "[NO ] TPM 2.0                    : "}
OFFICIAL_VERDICT_NO = "Offiziell kompatibel               : NEIN"

# situation, (result, version) the stand-in answers, item passed, item detail
CASES = [
    ("TPM 2.0", (0, 2), True, "TPM 2.0 erkannt"),
    ("TPM 1.2", (0, 1), False, "nur TPM 1.2 erkannt"),
    ("version 0", (0, 0), False, "unbekannte TPM-Version (0)"),
    ("version 3", (0, 3), False, "unbekannte TPM-Version (3)"),
    ("version with the high bit", (0, 4294967295), False, "unbekannte TPM-Version (4294967295)"),
    ("error 5", (5, 0), False, "nicht verfuegbar (TBS Fehler 5)"),
    ("TBS_E_TPM_NOT_FOUND", (2150121487, 0), False, "nicht verfuegbar (TBS Fehler 2150121487)"),
    ("all-ones error", (4294967295, 0), False, "nicht verfuegbar (TBS Fehler 4294967295)"),
    ("error despite version 2", (1, 2), False, "nicht verfuegbar (TBS Fehler 1)"),
    ("high-bit error despite version 2", (2150121487, 2), False, "nicht verfuegbar (TBS Fehler 2150121487)"),
]


class TpmAnswers(InstalledProgramTestCase):
    def test_each_answer_gives_its_item_blocker_and_verdicts(self):
        for situation, tbs, passed, detail in CASES:
            with self.subTest(situation, tbs=tbs):
                run = self.prefix.run_quillbrook(self.exe, cwd=self.directory, tbs=tbs)
                assessment = self.assertRunMatchesModel(run, self.report_line)
                lines = run.text.split("\n")

                tpm_lines = [line for line in lines if "] TPM 2.0 " in line]
                # 2150121474 is the stand-in's answer to a request that is not the zeroed 16-byte record.
                self.assertEqual(tpm_lines, [TPM_LINE_START[passed] + detail])

                official_blockers = wine_harness.lines_under(run.text, "Offizielle Blocker:")
                self.assertEqual(" - TPM 2.0 - " + detail in official_blockers, not passed, official_blockers)
                self.assertIn(" - UEFI-Boot - Legacy/BIOS", official_blockers)
                self.assertIn(OFFICIAL_VERDICT_NO, lines)

                technically = all(item.passed for item in assessment.technical)
                self.assertEqual(run.exit_code, 1 if technically else 2)
                self.assertReportFile(os.path.join(self.directory, REPORT_NAME), assessment)


if __name__ == "__main__":
    wine_harness.main()
