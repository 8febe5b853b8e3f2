"""Makes the loopback stand-in's CA (tests/servers/service_standin.py) trusted in
a Wine prefix, once: the ctest fixture that the stand-in's Wine tests need.

    python3 tests/wine/root_ca.py WINE_RUN WINE_STATE ADD_ROOT_CA_EXE CA_DIR

makes the CA in CA_DIR unless it is there, and adds it to the prefix's root
store with corvanel_add_root_ca.exe unless that was done for this CA already.
"""
import hashlib
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "servers"))
from service_standin import load_or_make_ca  # noqa: E402


def windows_path(path):
    """The Wine drive Z: is the Unix root."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def install_ca_in_prefix(wine_run, wine_state, ca_der, tool=None):
    """Adds the DER certificate to the prefix's root store; True when it did, False
    when the prefix had it already. tool: corvanel_add_root_ca.exe, by default
    from CORVANEL_ADD_ROOT_CA."""
    tool = tool or os.environ["CORVANEL_ADD_ROOT_CA"]
    with open(ca_der, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()[:16]
    # Kept in the prefix itself: a prefix made anew has to be told again.
    marker = os.path.join(wine_state, "prefix", "corvanel-root-ca-" + digest)
    if os.path.exists(marker):
        return False
    subprocess.run([wine_run, wine_state, windows_path(tool), windows_path(ca_der)], check=True,
                   stdin=subprocess.DEVNULL, timeout=120)
    open(marker, "w").close()
    return True


def main():
    wine_run, wine_state, tool, ca_dir = sys.argv[1:]
    _pem, der, _key = load_or_make_ca(ca_dir)
    added = install_ca_in_prefix(wine_run, wine_state, der, tool)
    print(("added %s to the prefix's root store" if added else "the prefix trusts %s already") % der)


if __name__ == "__main__":
    main()
