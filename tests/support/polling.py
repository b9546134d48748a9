"""Waiting on another process's doings from a Python test or benchmark."""
import time


def wait_until(condition, timeout=30, step=0.1):
    """The first true value of condition(), asked every `step` seconds; None
    when `timeout` seconds pass without one."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(step)
    return None
