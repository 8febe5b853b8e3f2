"""Runs a command while the recording test server runs; see http_test_server.py."""

import argparse
import os
import signal
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from http_test_server import TestServer, load_script  # noqa: E402


def command_arguments(parser):
    """Parses the command line; the words after "--" are the command to run."""
    parser.add_argument("--script", help="JSON file with the routes to answer")
    parser.add_argument("--timeout", type=float, default=300, help="seconds before the command is killed")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    args.command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not args.command:
        parser.error("no command given")
    return args


def run_command(command, env, timeout, who):
    """Runs command to its end, killing it after timeout seconds or when this runner is
    terminated (the caller's servers stop on the way out); its exit code, or 1."""
    child = subprocess.Popen(command, env=env)

    def end_child(signum, _frame):
        child.kill()
        child.wait()
        raise SystemExit(128 + signum)

    signal.signal(signal.SIGTERM, end_child)
    signal.signal(signal.SIGINT, end_child)
    try:
        return child.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        child.kill()
        child.wait()
        print("%s: command killed after %g seconds" % (who, timeout), file=sys.stderr)
        return 1


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--tls", action="store_true", help="also listen with TLS")
    args = command_arguments(parser)
    with TestServer(load_script(args.script), tls=args.tls) as server:
        env = dict(os.environ, CORVANEL_TEST_HTTP_PORT=str(server.port), CORVANEL_TEST_RECORD_DIR=server.record_dir)
        if server.tls_port:
            env["CORVANEL_TEST_HTTPS_PORT"] = str(server.tls_port)
            env["CORVANEL_TEST_CA_PEM"] = server.cert_file
        return run_command(args.command, env, args.timeout, "run_with_server")


if __name__ == "__main__":
    sys.exit(main())
