#!/usr/bin/env python3
"""Checks that a program ran on the oldest kernel its bundle promises.

    check-kernel-floor.py FLOOR UNISTD_H TRACE...

FLOOR is the kernel release the bundles promise (2.6.32); UNISTD_H is the cross compiler's <asm/unistd-eabi.h>, which numbers the system calls of 32-bit
ARM Linux (EABI); each TRACE is what `qemu-arm -d strace -D TRACE` wrote while the program ran.
ARM numbers its calls in the order they were added, and the last call 2.6.32 has is
perf_event_open (364; recvmmsg, 365, came with 2.6.33). A call above the floor's fails unless
the C library falls back to an older call when the kernel answers ENOSYS (KFallsBack, each with
its reason). Prints the calls seen with their counts, and exits 1 naming each call the floor
does not have.
"""

import re
import sys

# The last call of each release the check knows, from the kernel's ARM call table.
KLastCall = {"2.6.32": 364}

# Calls newer than the floor that glibc 2.36 tries first and, on ENOSYS, replaces by an older
# one or does without.
KFallsBack = {
    "statx": "stat, fstat and fstatat fall back to fstatat64",
    "getrandom": "malloc's and the start-up's random seeds fall back to none",
    "rseq": "thread start-up goes on without restartable sequences",
    "clone3": "posix_spawn and pthread_create fall back to clone",
    "faccessat2": "faccessat falls back to the older faccessat",
}
# 403 to 423 are the 64-bit-time twins of older calls (5.1), clock_gettime64 to
# sched_rr_get_interval_time64: glibc falls back to the 32-bit-time call.
KTime64Calls = range(403, 424)



def CallNumbers(aHeader):
    numbers = {}
    pattern = re.compile(r"#define\s+__NR_(\w+)\s+\(__NR_SYSCALL_BASE\s*\+\s*(\d+)\)")
    with open(aHeader, encoding="utf-8") as header:
        for line in header:
            match = pattern.match(line)
            if match:
                numbers[match.group(1)] = int(match.group(2))
    return numbers


def CallsIn(aTrace):
    """The calls of one trace: name (or "#N" for a number qemu could not name) to count."""
    calls = {}
    line_pattern = re.compile(r"^\d+ (?:Unknown syscall (\d+)|([a-z_0-9]+)\()")
    with open(aTrace, encoding="utf-8", errors="replace") as trace:
        for line in trace:
            match = line_pattern.match(line)
            if not match:
                continue  # a signal, the rest of a call's output, or qemu's own lines
            name = "#" + match.group(1) if match.group(1) else match.group(2)
            calls[name] = calls.get(name, 0) + 1
    return calls


def main(aArguments):
    if len(aArguments) < 3 or aArguments[0] not in KLastCall:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    floor = aArguments[0]
    lastCall = KLastCall[floor]
    numbers = CallNumbers(aArguments[1])
    if len(numbers) < lastCall:
        print(f"check-kernel-floor: {aArguments[1]} names only {len(numbers)} calls", file=sys.stderr)
        return 2
    byNumber = {number: name for name, number in numbers.items()}
    seen = {}  # (name, number or None) to count
    for trace in aArguments[2:]:
        for name, count in CallsIn(trace).items():
            if name.startswith("#"):
                number = int(name[1:])
                name = byNumber.get(number, name)
            else:
                number = numbers.get(name)
            seen[(name, number)] = seen.get((name, number), 0) + count
    if not seen:
        print("check-kernel-floor: the traces hold no system call", file=sys.stderr)
        return 2

    failures = []
    for (name, number), count in sorted(seen.items()):
        if number is None:
            verdict = "FAIL: not in this kernel's table"
            failures.append(name)
        elif number <= lastCall:
            verdict = "ok"
        elif name in KFallsBack:
            verdict = "newer, falls back: " + KFallsBack[name]
        elif number in KTime64Calls:
            verdict = "newer, falls back to its 32-bit-time twin"
        else:
            verdict = f"FAIL: newer than {floor}"
            failures.append(name)
        shown = "?" if number is None else str(number)
        print(f"  {name:<24} {shown:>4} {count:>7}  {verdict}")
    traces = len(aArguments) - 2
    if failures:
        print(f"check-kernel-floor: FAIL: {', '.join(failures)} not on Linux {floor} "
              f"({traces} traces)")
        return 1
    print(f"check-kernel-floor: OK: every call runs on Linux {floor} ({traces} traces)")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
