#!/usr/bin/env python3
"""Long run of the game's logic through velkaro-trace, checked as it goes.

  e2e_soak.py TRACE_TOOL PASSES [SCENARIO_OUT]

Plays a scripted mix of menu, free flight, flapping, dives and challenge
(with uneven frame times and a clock that wraps) for PASSES passes and
checks every trace line: no NaN or infinity in any global, every object list
within what its objects' lifetimes allow, the run ending with status 0, and
the tool's resident memory near the end no more than 1 MiB above what it was
at pass 100,000. A run too short to pass that mark says the growth check
was skipped.
"""
import json
import os
import re
import subprocess
import sys
import time

# Upper bounds of the lists. Clouds fall at least 1.4 pixels a frame and
# leave below 1000 plus their scaled height (at most 2573), so one lives at
# most about 2550 frames and arrives with a chance of 1/20: about 130 alive
# at worst. Specks (3 at a chance of 1/10) and glints (6 at 1/5) fall about
# 0.9 pixels a frame and leave below 480: about 155 and 620. Road
# cross-sections are capped at 32 while the road is frozen; in the challenge
# those come down with at most 13 more (one every 100 frames while a section
# falls 650 pixels at no less than 0.5125 a frame). Feathers are capped by
# the game. Each soft bound has ample room above its expectation and still
# catches a list that leaks.
BOUNDS = {"clouds": 400, "specks": 600, "waves": 1500, "things": 45, "feathers": 256}
NAMES = list(BOUNDS)
# The plain build must stay within 1 MiB. A sanitizer build's allocator
# keeps bookkeeping that grows slowly (its leak checker reports real leaks
# at exit), so the sanitizer run allows more through VELKARO_SOAK_RSS_SLACK_KB.
RSS_SLACK_KB = int(os.environ.get("VELKARO_SOAK_RSS_SLACK_KB", "1024"))
# The baseline's pass: late enough that the allocators (and a sanitizer's
# quarantine of freed blocks) have settled, whatever the run's length.
RSS_BASELINE_PASS = 100_000

LISTS = re.compile(rb'"lists":\[(\d+),(\d+),(\d+),(\d+),(\d+)\]')
STATE = re.compile(rb'"GAMESTATE":(-?\d+),"MODE":(-?\d+)')
SCORE = re.compile(rb'"score":(-?\d+)')
BIRDS = re.compile(rb'"birdcount":(-?\d+)')


def scenario(passes):
    """The scenario text: a cycle of phases repeated until PASSES passes."""
    out = ["# soak: menu, free flight, strokes, dives, challenge; repeated"]
    total = 0

    def run(n):
        nonlocal total
        n = min(n, passes - total)
        if n > 0:
            out.append(f"run {n}")
            total += n

    def strokes(count, down, up):
        for _ in range(count):
            out.append("hold Z M")
            run(down)
            out.append("release all")
            run(up)

    cycle = 0
    while total < passes:
        cycle += 1
        # Uneven frame times, now and then a very long frame.
        out.append("frame-ms 17 17 16" if cycle % 3 else "frame-ms 16 33 17 250 17")
        if cycle % 7 == 0:
            # A clock about to wrap: the next readings pass 2^31 and 2^32.
            out.append("clock 2147480000")
        if cycle % 11 == 0:
            out.append("clock -5000")
        run(1500)                      # menu (or the game over screen)
        out.append("tap SPACE")        # free flight
        strokes(40, 10, 6)
        out.append("hold Z")           # one-sided dive to the cap
        run(300)
        out.append("hold Z M")         # both held at the cap: deep dive
        run(900)
        out.append("release all")
        run(400)
        out.append("tap F1")           # the challenge, reset
        for _ in range(12):
            strokes(25, 12, 8)
            out.append("hold LEFT RIGHT")
            run(500)
            out.append("release all")
            run(200)
        if cycle % 2:
            out.append("tap F1")       # back to free flight, then quit to menu by losing
            run(600)
            out.append("tap F1")
        run(3000)                      # idle until the followers are lost
        out.append("release all")
    return "\n".join(out) + "\n"


def rss_kb(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    tool, passes = argv[1], int(argv[2])
    text = scenario(passes)
    if len(argv) > 3:
        with open(argv[3], "w") as f:
            f.write(text)
    early_at = RSS_BASELINE_PASS
    late_at = passes - 200
    growth_checked = late_at > early_at

    started = time.monotonic()
    proc = subprocess.Popen([tool, "-"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                            bufsize=1 << 20)
    proc.stdin.write(text.encode())
    proc.stdin.close()

    problems = []
    maxima = dict.fromkeys(NAMES, 0)
    seen_states = set()
    max_score = 0
    min_birds = 0
    rss_early = rss_late = None
    count = 0
    for line in proc.stdout:
        if line.startswith(b'{"end"'):
            problems.append(f"the loop ended early: {line.strip().decode()}")
            break
        if not line.startswith(b'{"pass":'):
            problems.append(f"unexpected line: {line[:80]!r}")
            break
        if count % 50_000 == 0:
            obj = json.loads(line)  # the whole line is valid JSON
            if obj["pass"] != count:
                problems.append(f"line {count} is pass {obj['pass']}")
                break
        if b'"nan"' in line or b'"inf"' in line or b'"-inf"' in line:
            problems.append(f"pass {count}: NaN or infinity: {line[:400].decode()}")
            break
        m = LISTS.search(line)
        for name, value in zip(NAMES, m.groups()):
            v = int(value)
            if v > maxima[name]:
                maxima[name] = v
                if v > BOUNDS[name]:
                    problems.append(f"pass {count}: {v} {name}, above {BOUNDS[name]}")
        seen_states.add(STATE.search(line).groups())
        max_score = max(max_score, int(SCORE.search(line).group(1)))
        min_birds = min(min_birds, int(BIRDS.search(line).group(1)))
        if count == early_at:
            rss_early = rss_kb(proc.pid)
        if count == late_at:
            rss_late = rss_kb(proc.pid)
        if problems:
            break
        count += 1
    if problems:
        proc.kill()
    proc.stdout.close()
    status = proc.wait()
    elapsed = time.monotonic() - started

    if not problems:
        if count != passes:
            problems.append(f"{count} passes traced, not {passes}")
        if status != 0:
            problems.append(f"exit status {status}")
        # The mix must really have visited menu, free flight and challenge.
        for want, label in (((b"1", b"0"), "menu"), ((b"0", b"0"), "free flight"),
                            ((b"0", b"1"), "challenge")):
            if want not in seen_states and not (label == "menu" and (b"1", b"1") in seen_states):
                problems.append(f"the run never reached {label}")
        if max_score == 0:
            problems.append("the challenge never scored")
        if min_birds >= 0:
            problems.append("the challenge was never lost")
        if growth_checked and (rss_early is None or rss_late is None):
            problems.append("resident memory could not be read")
        elif growth_checked and rss_late - rss_early > RSS_SLACK_KB:
            problems.append(f"resident memory grew from {rss_early} kB at pass {early_at} "
                            f"to {rss_late} kB at pass {late_at}")

    print(json.dumps({"passes": count, "seconds": round(elapsed, 1),
                      "us_per_pass": round(elapsed * 1e6 / max(count, 1), 1),
                      "max_lists": maxima, "max_score": max_score,
                      "rss_kb": {str(early_at): rss_early, str(late_at): rss_late}}))
    if problems:
        for p in problems:
            print("FAIL:", p, file=sys.stderr)
        return 1
    if not growth_checked:
        print(f"soak: memory growth check skipped: {passes} passes do not reach past the "
              f"baseline at pass {early_at}")
    print(f"soak: {count} passes, every check held")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
