#!/usr/bin/env python3
"""Kills the real client at random instants and checks what it leaves.

The client runs on an application folder with full histories and plays a
clip given on its command line, so that it writes its settings, both
histories, their pages and the QVOD settings while it starts and the
positions while it plays. Each round SIGKILLs it after a random time (the
seed is printed, so a failing round can be repeated); then every file must
be whole and readable and no temporary file may be left. At the end one
ordinary start and quit must bring back every setting a fresh folder has.

    client_kill.py --client build/kelvara --clip tests/data/clip.mp4 --rounds 20
"""

import argparse
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import time

RECORDS = 100  # a full list: the client keeps the first 100 lines
KNOWN_LEFTOVERS = set()  # names a finished start leaves, learnt from a fresh folder


def gbk_text(path):
    with open(path, "rb") as f:
        data = f.read()
    return data.decode("gbk")  # strict: a torn double-byte character fails


def write_gbk(path, text):
    with open(path, "wb") as f:
        f.write(text.encode("gbk"))


def full_histories(home):
    network = "".join(
        f"{id}|%u957F%u6CB3%u843D%u65E5{id}|第{id % 40 + 1}集|eeqvod://qvod&&&{id}|{id}|{id + 1}|{id * 7}\r\n"
        for id in range(1000, 1000 + RECORDS))
    local = "".join(
        f"影片 {n}.mp4|/home/用户/影片/影片 {n}.mp4|{n * 3}\r\n" for n in range(RECORDS))
    write_gbk(os.path.join(home, "date.dat"), network + "\r\n")
    write_gbk(os.path.join(home, "date_f.dat"), local + "\r\n")


def files_under(home):
    """The client's own files; web/ is the browser engine's storage."""
    found = set()
    for folder, folders, names in os.walk(home):
        if folder == home and "web" in folders:
            folders.remove("web")
        for name in names:
            found.add(os.path.relpath(os.path.join(folder, name), home))
    return found


def check_list(home, name, fields, failures):
    path = os.path.join(home, name)
    try:
        text = gbk_text(path)
    except (OSError, UnicodeDecodeError) as e:
        failures.append(f"{name}: unreadable ({e})")
        return
    if not text.endswith("\r\n"):
        failures.append(f"{name}: cut short (no final line end)")
    records = 0
    for line in text.split("\r\n"):
        if "|" not in line:
            continue
        parts = line.split("|")
        if len(parts) != fields or not parts[-1].lstrip("-").isdigit():
            failures.append(f"{name}: broken record {line!r}")
        records += 1
    if records < RECORDS:
        failures.append(f"{name}: {records} records, {RECORDS} before")


def check_page(home, name, failures):
    path = os.path.join(home, name)
    if not os.path.exists(path):
        return
    try:
        text = gbk_text(path)
    except (OSError, UnicodeDecodeError) as e:
        failures.append(f"{name}: unreadable ({e})")
        return
    if not text.startswith("<html>") or not text.rstrip().endswith("</html>"):
        failures.append(f"{name}: not a whole page")


def check_settings(home, failures):
    path = os.path.join(home, "config.ini")
    if not os.path.exists(path):
        return
    try:
        text = gbk_text(path)
    except (OSError, UnicodeDecodeError) as e:
        failures.append(f"config.ini: unreadable ({e})")
        return
    if text and not text.endswith("\r\n"):
        failures.append("config.ini: cut short (no final line end)")
    for line in text.split("\r\n"):
        s = line.strip()
        if s and not (s.startswith("[") and s.endswith("]")) and "=" not in s:
            failures.append(f"config.ini: broken line {line!r}")


def check_qvod_settings(home, failures):
    path = os.path.join(home, "Qvod", "QvodPlayer.xml")
    if not os.path.exists(path):
        return
    try:
        text = gbk_text(path)
    except (OSError, UnicodeDecodeError) as e:
        failures.append(f"QvodPlayer.xml: unreadable ({e})")
        return
    if 'Defaultsavepath="' not in text or not text.rstrip().endswith("</QvodPlayer>"):
        failures.append("QvodPlayer.xml: not whole")


def settings_keys(home):
    keys = set()
    section = ""
    for line in gbk_text(os.path.join(home, "config.ini")).split("\r\n"):
        s = line.strip()
        if s.startswith("["):
            section = s.strip("[]").lower()
        elif "=" in s:
            keys.add((section, s.split("=", 1)[0].strip().lower()))
    return keys


def running_terminal_files(home):
    """The port file of the folder's own QVOD terminal while it runs: a
    killed client leaves its terminal serving, as the service it is."""
    qvod = os.path.join(home, "Qvod")
    try:
        with open(os.path.join(qvod, "QvodTerminal.port")) as f:
            pid = int(f.read().split("\n")[1])
        program = os.readlink(f"/proc/{pid}/exe")
    except (OSError, ValueError, IndexError):
        return set()
    if program == os.path.join(qvod, "QvodTerminal.exe"):
        return {"Qvod/QvodTerminal.port"}
    return set()


def check_folder(home, failures):
    check_settings(home, failures)
    check_list(home, "date.dat", 7, failures)
    check_list(home, "date_f.dat", 3, failures)
    check_page(home, "c.htm", failures)
    check_page(home, "f.htm", failures)
    check_qvod_settings(home, failures)
    stray = sorted(files_under(home) - KNOWN_LEFTOVERS - running_terminal_files(home))
    if stray:
        failures.append(f"left behind: {', '.join(stray)}")


class Client:
    def __init__(self, binary, home, clip):
        env = dict(os.environ, KELVARA_HOME=home, KELVARA_MPV_AO="null")
        # Its own process group, so that helpers it leaves behind can be
        # found and ended; the kill itself hits the client alone.
        self.process = subprocess.Popen([binary, clip], env=env, start_new_session=True,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def kill(self):
        """SIGKILLs the client; the helpers that outlived it (see end_helpers)."""
        os.kill(self.process.pid, signal.SIGKILL)
        self.process.wait()
        return self.end_helpers()

    def quit(self, timeout=30):
        self.process.terminate()
        try:
            self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
            return False
        self.end_helpers()
        return True

    def end_helpers(self):
        """Waits for the helper processes of the killed client to go; the
        ones still there after 5 s are ended and returned ("pid command")."""
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            try:
                os.killpg(self.process.pid, 0)
            except ProcessLookupError:
                return []
            time.sleep(0.1)
        left = subprocess.run(["pgrep", "-a", "-g", str(self.process.pid)],
                              capture_output=True, text=True).stdout.splitlines()
        try:
            os.killpg(self.process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        return [line[:160] for line in left]


def wait_for(condition, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.1)
    return condition()


def stored_position(home, clip):
    """The position the local list holds for the clip; None without a record."""
    try:
        text = gbk_text(os.path.join(home, "date_f.dat"))
    except (OSError, UnicodeDecodeError):
        return None
    for line in text.split("\r\n"):
        parts = line.split("|")
        if len(parts) == 3 and parts[1] == clip and parts[2].isdigit():
            return int(parts[2])
    return None


def play_and_quit(binary, home, clip):
    """Starts the client on the clip, lets it play and quits it; what went
    wrong, or None when it recorded the clip and quit. (The position stored on
    quitting is the playback tests' concern: on a loaded machine the clip may
    not have started yet.)"""
    client = Client(binary, home, clip)
    if not wait_for(lambda: stored_position(home, clip) is not None, 60):
        client.quit()
        return "the clip was not recorded within 60 s"
    time.sleep(4)
    if not client.quit():
        return "the client did not quit within 30 s"
    if stored_position(home, clip) is None:
        return "the clip's record is gone after quitting"
    return None


def reference_start(binary, clip, scratch):
    """A fresh folder started, played and quit: the files a finished start
    leaves, and the settings it writes."""
    home = os.path.join(scratch, "reference")
    os.makedirs(home)
    full_histories(home)
    fault = play_and_quit(binary, home, clip)
    if fault:
        sys.exit(f"on a fresh folder: {fault}")
    KNOWN_LEFTOVERS.update(files_under(home))
    return settings_keys(home)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--client", required=True)
    parser.add_argument("--clip", required=True)
    parser.add_argument("--rounds", type=int, default=20)
    parser.add_argument("--longest", type=float, default=8.0,
                        help="latest kill, seconds after the start")
    parser.add_argument("--seed", type=int, default=None)
    args = parser.parse_args()
    seed = args.seed if args.seed is not None else random.randrange(1 << 32)
    rng = random.Random(seed)
    print(f"seed {seed}", flush=True)

    scratch = tempfile.mkdtemp(prefix="kelvara-kill-")
    try:
        media = os.path.join(scratch, "影片 media")
        os.makedirs(media)
        clips = [os.path.join(media, name) for name in ("长河 落日.mp4", "第2集 «odd» name.mp4")]
        for clip in clips:
            shutil.copy(args.clip, clip)
        reference = reference_start(args.client, clips[0], scratch)

        home = os.path.join(scratch, "用户 home")
        os.makedirs(home)
        full_histories(home)
        failed_rounds = 0
        helpers_left = 0
        started = time.monotonic()
        for round_number in range(1, args.rounds + 1):
            delay = rng.uniform(0.0, args.longest)
            client = Client(args.client, home, clips[round_number % 2])
            time.sleep(delay)
            helpers = client.kill()
            helpers_left += len(helpers)
            failures = []
            check_folder(home, failures)
            if failures:
                failed_rounds += 1
            if failures or helpers:
                print(f"round {round_number} (kill at {delay:.2f} s):", flush=True)
                for f in failures:
                    print(f"    {f}", flush=True)
                for h in helpers:  # outlived the client by 5 s; ended, not a fault
                    print(f"    helper still running: {h}", flush=True)
            if round_number % 50 == 0:  # a long run that is cut short still tells
                print(f"{round_number} rounds in {time.monotonic() - started:.0f} s, "
                      f"{failed_rounds} with faults, {helpers_left} helpers left", flush=True)
        elapsed = time.monotonic() - started

        # After all that, one ordinary start plays and quits, and the folder
        # holds every setting of a fresh one.
        fault = play_and_quit(args.client, home, clips[0])
        final = [fault] if fault else []
        check_folder(home, final)
        missing = reference - settings_keys(home)
        if missing:
            final.append(f"config.ini lacks {sorted(missing)}")
        for f in final:
            print(f"after the kills: {f}", flush=True)
        if final:
            for name in ("date_f.dat", "config.ini"):
                print(f"--- {name}:", flush=True)
                print("\n".join(gbk_text(os.path.join(home, name)).split("\r\n")[:40]), flush=True)

        print(f"{args.rounds} rounds in {elapsed:.0f} s, {failed_rounds} with faults, "
              f"{helpers_left} helper processes left behind and ended", flush=True)
        return 1 if failed_rounds or final else 0
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
