"""The whole run through the real binary with redirected output and no terminal."""

import subprocess
import unittest

from harness import BinaryTestCase, REPORT


class RedirectedRun(BinaryTestCase):
    def test_output_is_the_plain_report_and_the_exit_code_matches_it(self):
        program = self.install()
        run = self.run_program(program)
        self.assertWholeConsole(run, "Report: %s/%s" % (self.workdir, REPORT))
        self.assertNotIn(b"\x1b", run.stdout)
        self.assertEqual(run.stderr, b"", "nothing goes to stderr")

    def test_items_stand_in_their_fixed_order(self):
        run = self.run_program(self.install())
        names = [item.name for item in run.assessment.technical]
        processor = ["64-Bit CPU", "64-Bit Betriebssystem", "SSE4.2", "POPCNT", "NX / XD Bit", "CMPXCHG16b",
                     "LAHF/SAHF"]
        if run.assessment.vendor == "AuthenticAMD":
            processor.append("PrefetchW (AMD)")
        self.assertEqual(names, processor + ["RAM >= 4 GiB", "Systemlaufwerk >= 64 GiB"])
        self.assertEqual([item.name for item in run.assessment.official], ["UEFI-Boot", "Secure Boot", "TPM 2.0"])
        for item in run.assessment.technical[:len(processor)]:
            self.assertIn(item.detail, ("vorhanden", "fehlt"))

    def test_one_byte_of_input_ends_the_wait(self):
        program = self.install()
        completed = subprocess.run([program], cwd=self.workdir, input=b"xyz", capture_output=True, timeout=20)
        self.assertIn(completed.returncode, (0, 1, 2))
        self.assertTrue(completed.stdout.endswith(b"\nBeliebige Taste zum Beenden...\n"))

    def test_a_32_bit_personality_keeps_the_64_bit_processor(self):
        completed = subprocess.run(["setarch", "i686", self.install()], cwd=self.workdir, stdin=subprocess.DEVNULL,
                                   capture_output=True, timeout=20)
        self.assertIn("[OK ] 64-Bit CPU ", completed.stdout.decode("utf-8"))

    def test_a_second_run_gives_the_same_bytes(self):
        program = self.install()
        first = self.run_program(program)
        second = self.run_program(program)
        self.assertEqual(first.stdout, second.stdout)
        self.assertEqual(first.exit_code, second.exit_code)


if __name__ == "__main__":
    unittest.main()
