"""The "Secure Boot" item of the real exe for each state of its registry value.

Only a REG_DWORD of exactly 1 means enabled. Any other DWORD is "deaktiviert"; a value of
another type, a missing value or a missing key is an unreadable state, and since Wine's
firmware query fails, that reads as a BIOS machine.
"""

import os

import wine_harness
from wine_harness import REPORT_NAME, InstalledProgramTestCase

KEY = r"HKLM\SYSTEM\CurrentControlSet\Control\SecureBoot\State"
VALUE = "UEFISecureBootEnabled"
UNREADABLE = "nicht verfuegbar im Legacy/BIOS-Modus"
VERDICT_LABELS = ("Technisch kompatibel", "Offiziell kompatibel", "Technisch geeignet")

# situation, value written (type and data; None: no value at all), item passed, item detail
CASES = [
    ("enabled", ("REG_DWORD", "1"), True, "aktiviert"),
    ("disabled", ("REG_DWORD", "0"), False, "deaktiviert"),
    ("two", ("REG_DWORD", "2"), False, "deaktiviert"),
    ("all bits set", ("REG_DWORD", "4294967295"), False, "deaktiviert"),
    ("eight-byte one", ("REG_QWORD", "1"), False, UNREADABLE),
    ("binary one", ("REG_BINARY", "01000000"), False, UNREADABLE),
    ("text one", ("REG_SZ", "1"), False, UNREADABLE),
    ("value absent", None, False, UNREADABLE),
]


class SecureBootValues(InstalledProgramTestCase):
    def write_value(self, value):
        if value is None:
            # Fails harmlessly when there is no value to delete.
            self.prefix.reg("delete", KEY, "/v", VALUE, "/f")
        else:
            # /f replaces the type along with the data.
            kind, data = value
            self.assertEqual(self.prefix.reg("add", KEY, "/v", VALUE, "/t", kind, "/d", data, "/f"), 0)

    def check_secure_boot_run(self, passed, detail):
        """Runs with a TPM 2.0, so only UEFI-Boot and maybe Secure Boot may block."""
        run = self.prefix.run_quillbrook(self.exe, cwd=self.directory)
        assessment = self.assertRunMatchesModel(run, self.report_line)
        self.assertEqual(assessment.official[1], wine_harness.report_model.Item("Secure Boot", passed, detail))
        self.assertEqual(assessment.official[2].passed, True)

        expected_blockers = [" - UEFI-Boot - Legacy/BIOS"] + ([] if passed else [" - Secure Boot - " + detail])
        self.assertEqual(wine_harness.lines_under(run.text, "Offizielle Blocker:"), expected_blockers)

        technically = all(item.passed for item in assessment.technical)
        verdicts = [line for line in run.text.split("\n") if line.startswith(VERDICT_LABELS)]
        words = ["JA" if technically else "NEIN", "NEIN", "JA" if technically else "NEIN"]
        self.assertEqual(verdicts, [label.ljust(34) + " : " + word for label, word in zip(VERDICT_LABELS, words)])
        # Even a passed Secure Boot with a TPM 2.0 leaves UEFI-Boot failing: 1, never 0.
        self.assertEqual(run.exit_code, 1 if technically else 2)
        self.assertReportFile(os.path.join(self.directory, REPORT_NAME), assessment)

    def test_each_value_gives_its_item_blockers_and_verdicts(self):
        for situation, value, passed, detail in CASES:
            with self.subTest(situation, value=value):
                self.write_value(value)
                self.check_secure_boot_run(passed, detail)

    def test_without_the_state_key(self):
        self.write_value(("REG_DWORD", "1"))
        self.assertEqual(self.prefix.reg("delete", KEY, "/f"), 0)
        self.check_secure_boot_run(False, UNREADABLE)


if __name__ == "__main__":
    wine_harness.main()
