"""The Ansible playbook: for real over SSH against three hosts, and checked for the Windows plays."""

import json
import os
import socket
import subprocess
import time

import harness
from harness import FleetTestCase

PLAYBOOK_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "deploy", "ansible")
PLAYBOOK = os.path.join(PLAYBOOK_DIR, "quillbrook.yml")
HOSTS = ["pc-a", "pc-b", "pc-c"]


class Ansible(FleetTestCase):
    def ansible(self, *args):
        # Everything Ansible keeps goes below the test's directory; nothing reaches for the network.
        env = dict(os.environ, HOME=self.workdir, ANSIBLE_LOCAL_TEMP=self.path("ansible-local"),
                   ANSIBLE_REMOTE_TEMP=self.path("ansible-remote"), ANSIBLE_NOCOLOR="1", ANSIBLE_HOST_KEY_CHECKING="0",
                   ANSIBLE_RETRY_FILES_ENABLED="0", ANSIBLE_PYTHON_INTERPRETER="/usr/bin/python3",
                   ANSIBLE_SSH_ARGS="-F /dev/null -o UserKnownHostsFile=/dev/null -o ControlPersist=5s")
        # A hang (the key wait on the terminal SSH gives a module) ends in 124, with every ssh client.
        return subprocess.run(["timeout", "150"] + list(args), cwd=self.workdir, env=env, stdin=subprocess.DEVNULL,
                              capture_output=True, text=True)

    def start_sshd(self):
        """Debian's sshd on 127.0.0.1 with keys and settings in the test's directory; returns its port."""
        for key in ("host_key", "client_key"):
            subprocess.run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", self.path(key)], check=True)
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            port = s.getsockname()[1]
        os.makedirs("/run/sshd", exist_ok=True)  # its privilege separation wants it
        # HOME keeps the account's own shell start-up files (seconds each on a busy machine) out.
        settings = ["ListenAddress=127.0.0.1:%d" % port, "HostKey=" + self.path("host_key"), "UsePAM=no",
                    "PidFile=" + self.path("sshd.pid"), "AuthorizedKeysFile=" + self.path("client_key.pub"),
                    "SetEnv=HOME=" + self.workdir, "PermitRootLogin=yes", "StrictModes=no",
                    "Subsystem=sftp internal-sftp"]
        sshd = subprocess.Popen(["/usr/sbin/sshd", "-D", "-e", "-f", "/dev/null"] + ["-o" + o for o in settings],
                                stdin=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
        self.addCleanup(sshd.terminate)
        self.assertIn("listening", sshd.stderr.readline())
        return port

    def test_three_hosts_over_ssh_end_in_a_fleet_summary_with_the_one_down_missing(self):
        port = self.start_sshd()
        inventory = self.path("inventory.ini")
        with open(inventory, "w") as f:
            # The one Windows host is down; the last Linux host gets its modules on stdin, the others on a tty.
            f.write("[windows]\npc-gone ansible_host=127.0.0.1 ansible_port=1 ansible_connection=ssh"
                    " quillbrook_group='M\u00fcnchen/Au\u00dfendienst'\n[linux]\n")
            for host in HOSTS:
                os.makedirs(self.path("remote", host))
                f.write("%s ansible_host=127.0.0.1 ansible_port=%d ansible_ssh_private_key_file=%s"
                        " ansible_pipelining=%s quillbrook_remote_tmp=%s\n"
                        % (host, port, self.path("client_key"), host == HOSTS[-1], self.path("remote", host)))
            # The inventory's own groups are the fleet's: a site with two hosts, one with a child group.
            f.write("[bremen]\npc-a\npc-b\n[hamburg]\npc-c\n[nord:children]\nhamburg\n")
        # A machine long gone, deleted only because the run is told to.
        harness.write(self.path("reports", "pc-old.txt"), b"a report of a machine gone for months")
        os.utime(self.path("reports", "pc-old.txt"), (time.time() - 90 * 86400,) * 2)
        playbook = ["ansible-playbook", "-i", inventory, PLAYBOOK,
                    "-e", "quillbrook_linux_binary=" + harness.CONFIG.quillbrook,
                    "-e", "quillbrook_fleet=" + harness.CONFIG.fleet,
                    "-e", "quillbrook_reports=" + self.path("reports"),
                    "-e", "quillbrook_summary=" + self.path("fleet")]
        run = self.ansible(*playbook, "-e", "quillbrook_stale_age=30d")
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)

        self.assertEqual(sorted(os.listdir(self.path("reports"))),
                         sorted([host + ".txt" for host in HOSTS] + [host + ".inventory.json" for host in HOSTS]))
        for host in HOSTS:
            self.assertEqual(os.listdir(self.path("remote", host)), [], "the temporary directory is removed")
        with open(self.path("fleet.json"), encoding="utf-8") as f:
            document = json.load(f)
        self.assertEqual([m["name"] for m in document["machines"]], HOSTS)
        self.assertEqual(document["summary"]["machines"], 3)
        self.assertEqual((document["unreadable"], document["missing"]), ([], ["pc-gone"]))
        # One machine three times over: all three land in the same category.
        category = document["machines"][0]["category"]
        self.assertEqual(len({m["category"] for m in document["machines"]}), 1)
        label = harness.CATEGORY_WORDS[category]
        self.assertRegex(run.stdout, r'"Rechner \(lesbare Berichte\) +: 3"')
        self.assertRegex(run.stdout, r'"%s +: 3"' % label.replace("(", r"\(").replace(")", r"\)"))
        for name in ("fleet.csv", "fleet.html"):
            self.assertTrue(os.path.getsize(self.path(name)) > 0, name)
        self.assertEqual(document["unreadable_inventory"], [])
        for m in document["machines"]:
            with open(self.path("reports", m["name"] + ".inventory.json"), encoding="utf-8") as f:
                written = json.load(f)
            # The controller files each host's inventory under the name it files its report under,
            # so each row takes it, though the three hosts are aliases of one computer.
            self.assertEqual((written["computer_name"], written["bitlocker"]), (m["name"], "unknown"))
            self.assertEqual((m["inventory"]["computer_name"], m["inventory_mismatch"]), (m["name"], False))
        self.assertEqual([m["group"] for m in document["machines"]], ["bremen", "bremen", "hamburg"])
        with open(self.path("fleet.hosts"), encoding="utf-8") as f:
            self.assertEqual(f.read().splitlines()[1:], ["pc-gone;M\u00fcnchen/Au\u00dfendienst", "pc-a;bremen",
                                                         "pc-b;bremen", "pc-c;hamburg"])
        # The processor as the fleet's reader takes it: numbers, not text, where the host tells them.
        with open(self.path("reports", "pc-a.inventory.json"), encoding="utf-8") as f:
            written = json.load(f)
        for key in ("cpu_family", "cpu_model", "cpu_stepping", "cpu_cores", "cpu_logical"):
            self.assertIsInstance(written[key], int, key)
        self.assertIn(written["cpu_vendor"], ("GenuineIntel", "AuthenticAMD"))
        self.assertTrue(written["cpu_max_mhz"] is None or written["cpu_max_mhz"] > 0)
        self.assertIn(written["virtual_machine"], (True, False, None))

        # A run limited to one host adds to the collection: the others' reports stay, the summary
        # still runs, with the last one kept under its date and compared against.
        time.sleep(1)  # the kept summary's name is its time to the second
        run = self.ansible(*playbook, "--limit", HOSTS[1])
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        self.assertEqual(len(os.listdir(self.path("reports"))), 2 * len(HOSTS))
        kept = [name for name in os.listdir(self.workdir) if name.startswith("fleet.2") and name.endswith(".json")]
        self.assertEqual(len(kept), 1, os.listdir(self.workdir))
        with open(self.path("fleet.json"), encoding="utf-8") as f:
            document = json.load(f)
        self.assertEqual([(m["name"], m["change"]) for m in document["machines"]], [(h, "same") for h in HOSTS])
        self.assertEqual(document["missing"], ["pc-gone"])

    def test_windows_plays_pass_syntax_check_and_lint(self):
        inventory = os.path.join(PLAYBOOK_DIR, "inventory.example.ini")
        run = self.ansible("ansible-playbook", "--syntax-check", "-i", inventory, PLAYBOOK)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
        run = self.ansible("ansible-lint", "--offline", "--nocolor", "--profile", "production", PLAYBOOK_DIR)
        self.assertEqual(run.returncode, 0, run.stdout + run.stderr)


if __name__ == "__main__":
    harness.main()
