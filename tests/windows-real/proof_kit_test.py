"""The proof kit cannot run here, so this reads it: every check it exists for is made, and the
workflow runs it against the release built on Linux on each kind of hosted Windows runner."""

import os
import re
import unittest

import yaml

HERE = os.path.dirname(os.path.abspath(__file__))
KIT = os.path.join(HERE, "Invoke-QuillbrookProof.ps1")
WORKFLOW = os.path.join(HERE, "..", "..", ".github", "workflows", "windows-proof.yml")

CHECKS = {"run", "planted-dlls", "hidden-start", "hidden-cmd-wrapper", "create-no-window", "visible-window-waits",
          "stack-guard", "authenticode"}
# What Windows programs are known to load from beside themselves, or system DLLs load later.
PLANTED = ["bcrypt", "tbs", "cryptbase", "cryptsp", "version", "userenv", "dbghelp"]
PROGRAMS = ["quillbrook.exe", "quillbrook-fleet.exe", "quillbrook-inventory.exe"]


def listed(script, variable):
    """The strings a line `$variable = 'a', 'b'` assigns."""
    line = re.search(r"^\$%s = (.*)$" % variable, script, re.MULTILINE).group(1)
    return re.findall(r"'([^']*)'", line)


class ProofKit(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(KIT, encoding="utf-8") as f:
            cls.script = f.read()
        with open(WORKFLOW, encoding="utf-8") as f:
            cls.workflow = yaml.safe_load(f)

    def test_the_kit_makes_every_check_on_every_program(self):
        made = set(re.findall(r"(?:-Check|Invoke-Check|Invoke-EachProgram -Check|Test-HiddenStart) '([a-z-]+)'",
                              self.script))
        self.assertEqual(made, CHECKS)
        self.assertEqual(listed(self.script, "PlantedNames"), PLANTED)
        self.assertEqual(listed(self.script, "Programs"), PROGRAMS)
        # (what the check needs, how the script must say it)
        for need, text in (("a hidden start", "-WindowStyle Hidden -PassThru"), ("a cmd /c wrapper", "$env:ComSpec"),
                           ("CREATE_NO_WINDOW", "hidden_launcher.exe"), ("a 30 s time limit", "$TimeoutSeconds = 30"),
                           ("the guard of two runs", "stack_guard.exe"), ("the signature", "Get-AuthenticodeSignature"),
                           ("the session", "Session   : $Session"), ("the Windows build", "CurrentBuild")):
            self.assertIn(text, self.script, need)

    def test_the_workflow_proves_the_linux_built_release_on_each_kind_of_runner(self):
        jobs = self.workflow["jobs"]
        self.assertIn("scripts/release", "\n".join(step.get("run", "") for step in jobs["release"]["steps"]))
        self.assertEqual(jobs["prove"]["needs"], "release")
        self.assertEqual(jobs["prove"]["strategy"]["matrix"]["runner"],
                         ["windows-2022", "windows-2025", "windows-11-arm"])
        self.assertIn("Invoke-QuillbrookProof.ps1 -Release", jobs["prove"]["steps"][-1]["run"])
        self.assertIn("-RequireSignature", jobs["prove"]["steps"][-1]["run"])


if __name__ == "__main__":
    unittest.main()
