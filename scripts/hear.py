#!/usr/bin/python3
"""Hears the program through the Orca screen reader, with no screen and no sound:
starts it on a display of its own with the accessibility bus, a window manager
and Orca, presses the keys of a walk file as a person would, and prints what
Orca says after each step (Orca's debug log records every utterance as
"SPEECH OUTPUT").

usage: /usr/bin/python3 scripts/hear.py PROGRAM WALK-FILE

A walk file has one step per line: "key Tab Tab shift+Tab" presses keys,
"type 100" types text ("\\t" and "\\n" in it press Tab and Enter), "say note"
prints a note into the output; "#" starts a comment. Each key waits until Orca
has been quiet for a moment, Enter a little longer.
PLANIUM_ORCA_LOG=FILE keeps Orca's whole debug log there.
Needs the Debian packages of scripts/setup.sh (orca, openbox, xdotool among them).
"""

import os
import re
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "atspi"))
from headless import Desktop  # noqa: E402

# Orca buffers its debug log; this runs it with the log written line by line.
ORCA = """
import builtins, runpy, sys
_open = builtins.open
def line_buffered(file, mode="r", *args, **kwargs):
    if isinstance(file, str) and file.endswith(".orcalog"):
        kwargs["buffering"] = 1
    return _open(file, mode, *args, **kwargs)
builtins.open = line_buffered
sys.argv = ["/usr/bin/orca"] + sys.argv[1:]
runpy.run_path("/usr/bin/orca", run_name="__main__")
"""

# An utterance is logged on a line of its own, followed by its voice: a set of
# voice settings (a list of them in flat review), "None" (typed characters),
# "voice=NAME" or nothing.
SPOKEN = re.compile(r"SPEECH OUTPUT: '(.*)'(?: ?\[?\{'established.*| ?None.*| voice=\S+)?\s*$", re.M)


def settle(log, quiet=0.6, longest=8):
    """Waits until Orca has written nothing for a while: it is done with a step."""
    deadline = time.monotonic() + longest
    size, still = -1, 0.0
    while time.monotonic() < deadline and still < quiet:
        time.sleep(0.1)
        now = os.path.getsize(log) if os.path.exists(log) else 0
        still = still + 0.1 if now == size else 0.0
        size = now


def spoken_since(log, offset):
    with open(log, encoding="utf-8", errors="replace") as f:
        f.seek(offset)
        text = f.read()
        end = f.tell()
    return [m.group(1).strip() for m in SPOKEN.finditer(text)], end


def main(program, walk_file):
    russian = {"LANG": "ru_RU.UTF-8", "LC_ALL": "ru_RU.UTF-8"}
    with Desktop() as desktop:
        env = dict(desktop.env, **russian)
        log = os.path.join(desktop.home, "orca.orcalog")
        desktop.start(["openbox"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        time.sleep(1)
        desktop.start([program], env=dict(env, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1"),
                      stderr=subprocess.DEVNULL)
        time.sleep(2)
        desktop.start(["/usr/bin/python3", "-c", ORCA, "--debug-file=" + log], env=env,
                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline and not os.path.exists(log):
            time.sleep(0.2)
        settle(log, quiet=1.5, longest=30)  # Orca has read out the first screen
        said, offset = spoken_since(log, 0)
        print("(start) " + " | ".join(said))

        for line in open(walk_file, encoding="utf-8"):
            step = line.split("#", 1)[0].strip()
            if not step:
                continue
            verb, _, rest = step.partition(" ")
            if verb == "say":
                print("\n== " + rest)
                continue
            if verb == "key":
                for key in rest.split():
                    subprocess.run(["xdotool", "key", key], env=env)
                    # Orca waits for a second press of keypad Enter before it says where the keyboard is.
                    settle(log, quiet=1.5 if key == "KP_Enter" else 1.0 if key in ("Return", "space") else 0.6)
                    said, offset = spoken_since(log, offset)
                    print("%s: %s" % (key, " | ".join(said)))
            elif verb == "type":
                # Text, then Tab or Enter: each waits for Orca to be done.
                for piece in re.split(r"(\\t|\\n)", rest):
                    if piece in ("\\t", "\\n"):
                        subprocess.run(["xdotool", "key", "Tab" if piece == "\\t" else "Return"], env=env)
                        settle(log, quiet=1.0 if piece == "\\n" else 0.6)
                    elif piece:
                        subprocess.run(["xdotool", "type", "--delay", "80", "--", piece], env=env)
                        settle(log, quiet=0.4)
                said, offset = spoken_since(log, offset)
                print("type %s: %s" % (rest, " | ".join(said)))
            else:
                raise SystemExit("unknown step: " + step)
        sys.stdout.flush()
        if os.environ.get("PLANIUM_ORCA_LOG"):  # Orca's whole log, for a closer look
            shutil.copyfile(log, os.environ["PLANIUM_ORCA_LOG"])


if __name__ == "__main__":
    if len(sys.argv) != 3:
        raise SystemExit(__doc__)
    main(sys.argv[1], sys.argv[2])
