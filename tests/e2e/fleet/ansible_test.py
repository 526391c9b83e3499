"""The Ansible playbook: for real over SSH against three hosts, and checked for the Windows plays."""

import getpass
import json
import os
import shutil
import signal
import socket
import subprocess
import time

import harness
from harness import FleetTestCase

PLAYBOOK_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "..", "deploy", "ansible")
PLAYBOOK = os.path.join(PLAYBOOK_DIR, "quillbrook.yml")
HOSTS = ["pc-a", "pc-b", "pc-c"]
# A run that hangs waits for a key over a terminal it will never get; fail instead of blocking CTest.
PLAYBOOK_TIMEOUT = 150


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Ansible(FleetTestCase):
    def ansible(self, *args, **more_env):
        # Everything Ansible and ssh keep goes below the test's directory; nothing reaches for the network.
        env = dict(os.environ, HOME=self.workdir, ANSIBLE_LOCAL_TEMP=self.path("ansible-local"),
                   ANSIBLE_REMOTE_TEMP=self.path("ansible-remote"), ANSIBLE_NOCOLOR="1",
                   ANSIBLE_RETRY_FILES_ENABLED="0", ANSIBLE_PYTHON_INTERPRETER="/usr/bin/python3",
                   ANSIBLE_HOST_KEY_CHECKING="False",
                   ANSIBLE_SSH_ARGS="-F /dev/null -o UserKnownHostsFile=/dev/null -o ControlMaster=auto -o ControlPersist=10s", **more_env)
        # Its own session, so a hang ends with every ssh it started and the remote run with them.
        process = subprocess.Popen(list(args), cwd=self.workdir, env=env, stdin=subprocess.DEVNULL,
                                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                   start_new_session=True)
        try:
            output = process.communicate(timeout=PLAYBOOK_TIMEOUT)[0]
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            self.fail("%s still running after %d s:\n%s" % (args[0], PLAYBOOK_TIMEOUT, process.communicate()[0]))
        return process.returncode, output

    def start_sshd(self):
        """Debian's sshd on 127.0.0.1 with keys and configuration of its own; returns port and client key."""
        for key in ("host_key", "client_key"):
            subprocess.run(["ssh-keygen", "-q", "-t", "ed25519", "-N", "", "-f", self.path(key)], check=True)
        shutil.copyfile(self.path("client_key.pub"), self.path("authorized_keys"))
        port = free_port()
        with open(self.path("sshd_config"), "w") as f:
            f.write("ListenAddress 127.0.0.1\nPort %d\nHostKey %s\nPidFile %s\nAuthorizedKeysFile %s\n"
                    "PermitRootLogin yes\nStrictModes no\nUsePAM no\nPasswordAuthentication no\n"
                    "Subsystem sftp /usr/lib/openssh/sftp-server\n"
                    % (port, self.path("host_key"), self.path("sshd.pid"), self.path("authorized_keys")))
        os.makedirs("/run/sshd", mode=0o755, exist_ok=True)  # sshd's privilege separation wants it
        with open(self.path("sshd.log"), "w") as log:
            sshd = subprocess.Popen(["/usr/sbin/sshd", "-D", "-e", "-f", self.path("sshd_config")],
                                    stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
        self.addCleanup(sshd.wait)
        self.addCleanup(sshd.terminate)
        for _ in range(100):
            with socket.socket() as s:
                if s.connect_ex(("127.0.0.1", port)) == 0:
                    return port, self.path("client_key")
            time.sleep(0.05)
        self.fail("sshd did not listen")

    def test_three_hosts_over_ssh_end_in_a_fleet_summary_with_the_unreachable_one_missing(self):
        port, key = self.start_sshd()
        inventory = self.path("inventory.ini")
        with open(inventory, "w") as f:
            # The only Windows host is down: that must stop neither the Linux hosts nor the summary.
            f.write("[windows]\npc-gone ansible_host=127.0.0.1 ansible_port=%d ansible_connection=ssh\n[linux]\n"
                    % free_port())
            for host in HOSTS:
                os.makedirs(self.path("remote", host))
                # The module reaches the last host through its standard input, the others on a terminal.
                f.write("%s ansible_host=127.0.0.1 ansible_port=%d ansible_user=%s ansible_ssh_private_key_file=%s"
                        " ansible_pipelining=%s quillbrook_remote_tmp=%s\n"
                        % (host, port, getpass.getuser(), key, host == HOSTS[-1], self.path("remote", host)))
        # A report left from an earlier run must not pass for this run's.
        harness.write(self.path("reports", "pc-old.txt"), b"an earlier run's report")
        code, output = self.ansible("ansible-playbook", "-i", inventory, PLAYBOOK,
                                    "-e", "quillbrook_linux_binary=" + harness.CONFIG.quillbrook,
                                    "-e", "quillbrook_fleet=" + harness.CONFIG.fleet,
                                    "-e", "quillbrook_reports=" + self.path("reports"),
                                    "-e", "quillbrook_summary=" + self.path("fleet"))
        self.assertEqual(code, 0, output)
        self.assertEqual(sorted(os.listdir(self.path("reports"))), [host + ".txt" for host in HOSTS])
        for host in HOSTS:
            self.assertEqual(os.listdir(self.path("remote", host)), [], "the temporary directory is removed")
        with open(self.path("fleet.json"), encoding="utf-8") as f:
            document = json.load(f)
        self.assertEqual([m["name"] for m in document["machines"]], HOSTS)
        self.assertEqual((document["unreadable"], document["missing"]), ([], ["pc-gone"]))
        # One machine three times over: all three land in the same verdict class.
        self.assertEqual(len({m["exit_code"] for m in document["machines"]}), 1)
        self.assertRegex(output, r'"Rechner \(lesbare Berichte\) +: 3"')
        for name in ("fleet.csv", "fleet.html"):
            self.assertTrue(os.path.getsize(self.path(name)) > 0, name)

    def test_windows_plays_pass_syntax_check_and_lint(self):
        inventory = os.path.join(PLAYBOOK_DIR, "inventory.example.ini")
        code, output = self.ansible("ansible-playbook", "--syntax-check", "-i", inventory, PLAYBOOK)
        self.assertEqual(code, 0, output)
        code, output = self.ansible("ansible-lint", "--offline", "--nocolor", "--profile", "production", PLAYBOOK_DIR)
        self.assertEqual(code, 0, output)


if __name__ == "__main__":
    harness.main()
