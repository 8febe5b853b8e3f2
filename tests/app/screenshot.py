"""Takes the README's picture of the program: the window after a successful
resolution, cropped to the window. Needs the same environment as the GUI tests
and a running Wine session:
    screenshot.py docs/screenshot.png
"""
import os
import sys
import tempfile

from gui_tests import HOME_PAGE_LABEL, LINK_BOX, PERSONAL_LINK, RESOLVE_BUTTON, SUCCESS_CAPTION, count_orange
from harness import Program, hexed, wait_for, write_png


def main(out):
    with Program() as p, tempfile.TemporaryDirectory() as scratch:
        shot = os.path.join(scratch, "window.bmp")
        p.d("settext", p.control(LINK_BOX).hwnd, hexed(PERSONAL_LINK))
        p.d("post", p.control(RESOLVE_BUTTON).hwnd, 0x00F5, 0, 0)  # BM_CLICK
        wait_for("the success caption", lambda: p.main.text() == SUCCESS_CAPTION)
        label = p.control(HOME_PAGE_LABEL).rect()
        wait_for("the label painted", lambda: count_orange(p.capture(label, shot)) > 50)
        p.sync()
        write_png(out, p.capture(p.main.rect(), shot))


if __name__ == "__main__":
    main(sys.argv[1])
