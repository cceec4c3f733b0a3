#!/usr/bin/python3
"""Whole-program benchmark: the built velmora as users run it.

Runs inside a network namespace and a PID namespace of its own
(whole_program.sh starts it that way), on the end-to-end tests' desktop:
an X server (Xvfb), a D-Bus session with the accessibility bus, and the
program driven with real input events. The program listens as a TCP
server; a loopback sender streams the bytes into it, and the same sender
then streams them into a bare receiver (one poll() and one read of at most
1024 bytes per wakeup). Each time is taken by the sender, from its
connection to the receiver's close after the last byte, so both are
measured the same way; the program's receive count is read back through
its accessibility tree and must equal the bytes sent.

Prints, for each run, both rates and their ratio (bar: at least 0.5), and
the program's peak resident memory (bar: under 1.2 x bytes + 80 MiB).
The exit status is 1 when a bar is missed.
"""

import argparse
import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import e2e  # noqa: E402  (the end-to-end tests' desktop, program driver and network check)

RATIO_BAR = 0.5
MEMORY_FACTOR = 1.2
MEMORY_SLACK = 80 * 1024 * 1024
PORT = 5003


def stream(sender, port, mib):
    """Seconds and bytes, as the sender measured them."""
    out = subprocess.run([sender, "send", str(port), str(mib)], check=True, capture_output=True,
                         text=True, timeout=600).stdout.split()
    return float(out[0]), int(out[1])


def bare_rate(sender, mib):
    receiver = subprocess.Popen([sender, "receive"], stdout=subprocess.PIPE, text=True)
    try:
        port = int(receiver.stdout.readline())
        seconds, sent = stream(sender, port, mib)
    finally:
        receiver.wait(60)
    return sent / seconds


def peak_memory(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) * 1024
    return 0


def program_rate(desktop, binary, sender, mib):
    """Bytes per second into the program, and its peak resident memory."""
    app = e2e.App(desktop, binary)
    try:
        app.choose_mode("TCP Server")
        app.set_field("IDC_LOCAL_PORT", "Local Port", str(PORT))
        app.click("IDC_BUTTON_CONNECT")
        app.expect_status("Listening")
        e2e.wait_for(f"the program listens on {PORT}", lambda: (e2e.listening(PORT), None))
        seconds, sent = stream(sender, PORT, mib)
        e2e.wait_equal("the receive count", app.count, str(sent), timeout=60)
        peak = peak_memory(app.proc.pid)
        app.expect_status("Listening")
        app.exit_confirmed()
        return sent / seconds, peak
    finally:
        app.stop()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--binary", required=True)
    parser.add_argument("--sender", required=True, help="bench_loopback_stream")
    parser.add_argument("--runs", type=int, default=1)
    parser.add_argument("mib", nargs="?", type=int, default=256)
    args = parser.parse_args()
    e2e.isolate_network()
    out = tempfile.mkdtemp(prefix="velmora-bench-")
    desktop = e2e.Desktop(out, "1920x1080x24")
    held = True
    try:
        print(f"whole program: {args.mib} MiB of random bytes from a loopback sender into velmora, "
              f"a TCP server under Xvfb ({desktop.display}), with the accessibility bus on")
        memory_bar = MEMORY_FACTOR * args.mib * 1024 * 1024 + MEMORY_SLACK
        for run in range(1, args.runs + 1):
            before = bare_rate(args.sender, args.mib)
            rate, peak = program_rate(desktop, args.binary, args.sender, args.mib)
            after = bare_rate(args.sender, args.mib)
            bare = (before + after) / 2
            ratio = rate / bare
            ratio_ok = ratio >= RATIO_BAR
            memory_ok = peak < memory_bar
            held = held and ratio_ok and memory_ok
            print(f"run {run}: bare receiver {bare / 1e6:7.1f} MB/s ({before / 1e6:.1f} before, "
                  f"{after / 1e6:.1f} after), velmora {rate / 1e6:7.1f} MB/s")
            print(f"  ratio {ratio:.3f} (bar >= {RATIO_BAR})  {'ok' if ratio_ok else 'MISSED'}")
            print(f"  peak resident memory {peak / 2**20:.1f} MiB (bar < {memory_bar / 2**20:.1f} MiB)  "
                  f"{'ok' if memory_ok else 'MISSED'}")
    except e2e.Failure as failure:
        print(f"FAILED: {failure}")
        held = False
    finally:
        desktop.close()
    return 0 if held else 1


if __name__ == "__main__":
    sys.exit(main())
