#!/bin/sh
# The session bus of an end-to-end test (dbus-run-session --dbus-daemon=this). Its output and that
# of the services it starts (the accessibility bus and registry, which outlive the test for a
# moment) go nowhere, so that nothing but the test holds the test runner's output open.
exec dbus-daemon "$@" </dev/null >/dev/null 2>&1
