"""Runs a command while the recording test server runs; see http_test_server.py."""

import argparse
import os
import signal
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from http_test_server import TestServer, load_script  # noqa: E402


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--script", help="JSON file with the routes to answer")
    parser.add_argument("--tls", action="store_true", help="also listen with TLS")
    parser.add_argument("--timeout", type=float, default=300, help="seconds before the command is killed")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command:
        parser.error("no command given")

    with TestServer(load_script(args.script), tls=args.tls) as server:
        env = dict(os.environ, CORVANEL_TEST_HTTP_PORT=str(server.port), CORVANEL_TEST_RECORD_DIR=server.record_dir)
        if server.tls_port:
            env["CORVANEL_TEST_HTTPS_PORT"] = str(server.tls_port)
            env["CORVANEL_TEST_CA_PEM"] = server.cert_file
        child = subprocess.Popen(command, env=env)

        def end_child(signum, _frame):
            child.kill()
            child.wait()
            raise SystemExit(128 + signum)

        signal.signal(signal.SIGTERM, end_child)
        signal.signal(signal.SIGINT, end_child)
        try:
            return child.wait(timeout=args.timeout)
        except subprocess.TimeoutExpired:
            child.kill()
            child.wait()
            print("run_with_server: command killed after %g seconds" % args.timeout, file=sys.stderr)
            return 1


if __name__ == "__main__":
    sys.exit(main())
