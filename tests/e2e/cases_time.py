# Time: the calendar, zones, strftime and strptime, and clocks, run three
# ways. The zone case sets TZ with setenv inside the guest (the harness
# gives guests a fixed environment); it runs once the environment family
# serves setenv.
import os

NATIVE = "NATIVE"

_ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def _setenv_served():
    path = os.path.join(_ROOT, "libcbind", "environment.cpp")
    try:
        with open(path) as source:
            return '("setenv")' in source.read()
    except OSError:
        return False


CASES = [
    dict(name="time_dates", guest="tests/e2e/guests/time_dates.c", stdout=NATIVE),
    dict(name="time_clocks", guest="tests/e2e/guests/time_clocks.c", stdout=NATIVE),
]
if _setenv_served():
    CASES.append(dict(name="time_zones", guest="tests/e2e/guests/time_zones.c", stdout=NATIVE))
