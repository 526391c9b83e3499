"""The Ansible playbook: for real against three local hosts, and checked for the Windows plays."""

import json
import os
import subprocess

import harness
from harness import FleetTestCase

PLAYBOOK_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "deploy", "ansible")
PLAYBOOK = os.path.join(PLAYBOOK_DIR, "quillbrook.yml")
HOSTS = ["pc-a", "pc-b", "pc-c"]


class Ansible(FleetTestCase):
    def ansible(self, *args):
        # Everything Ansible keeps goes below the test's directory; nothing reaches for the network.
        env = dict(os.environ, HOME=self.workdir, ANSIBLE_LOCAL_TEMP=self.path("ansible-local"),
                   ANSIBLE_REMOTE_TEMP=self.path("ansible-remote"), ANSIBLE_NOCOLOR="1",
                   ANSIBLE_RETRY_FILES_ENABLED="0", ANSIBLE_PYTHON_INTERPRETER="/usr/bin/python3")
        return subprocess.run(list(args), cwd=self.workdir, env=env, stdin=subprocess.DEVNULL,
                              capture_output=True, text=True, timeout=120)

    def test_three_local_hosts_end_in_a_fleet_summary(self):
        inventory = self.path("inventory.ini")
        with open(inventory, "w") as f:
            f.write("[linux]\n")
            for host in HOSTS:
                os.makedirs(self.path("remote", host))
                f.write("%s ansible_connection=local quillbrook_remote_tmp=%s\n" % (host, self.path("remote", host)))
        run = self.ansible("ansible-playbook", "-i", inventory, PLAYBOOK,
                           "-e", "quillbrook_linux_binary=" + harness.CONFIG.quillbrook,
                           "-e", "quillbrook_fleet=" + harness.CONFIG.fleet,
                           "-e", "quillbrook_reports=" + self.path("reports"),
                           "-e", "quillbrook_summary=" + self.path("fleet"))
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)

        self.assertEqual(sorted(os.listdir(self.path("reports"))), [host + ".txt" for host in HOSTS])
        for host in HOSTS:
            self.assertEqual(os.listdir(self.path("remote", host)), [], "the temporary directory is removed")
        with open(self.path("fleet.json"), encoding="utf-8") as f:
            document = json.load(f)
        self.assertEqual([m["name"] for m in document["machines"]], HOSTS)
        self.assertEqual(document["summary"]["machines"], 3)
        self.assertEqual(document["unreadable"], [])
        # One machine three times over: all three land in the same verdict class.
        code = document["machines"][0]["exit_code"]
        self.assertEqual(len({m["exit_code"] for m in document["machines"]}), 1)
        label = ["Offiziell kompatibel (Code 0)", "Nur technisch kompatibel (Code 1)",
                 "Nicht technisch kompatibel (Code 2)"][code]
        self.assertRegex(run.stdout, r'"Rechner \(lesbare Berichte\) +: 3"')
        self.assertRegex(run.stdout, r'"%s +: 3"' % label.replace("(", r"\(").replace(")", r"\)"))
        for name in ("fleet.csv", "fleet.html"):
            self.assertTrue(os.path.getsize(self.path(name)) > 0, name)

    def test_windows_plays_pass_syntax_check_and_lint(self):
        inventory = os.path.join(PLAYBOOK_DIR, "inventory.example.ini")
        run = self.ansible("ansible-playbook", "--syntax-check", "-i", inventory, PLAYBOOK)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        run = self.ansible("ansible-lint", "--offline", "--nocolor", "--profile", "production", PLAYBOOK_DIR)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)


if __name__ == "__main__":
    harness.main()
