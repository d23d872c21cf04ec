#!/usr/bin/env bash
# Runs a validator on a file; any complaint it prints fails the test, not only
# an error status. Usage: check_tool.sh <tool> <arguments>...
set -euo pipefail
command -v "$1" >/dev/null || { echo "SKIP: $1 is not installed (scripts/setup.sh installs it)"; exit 77; }
status=0
output=$("$@" 2>&1) || status=$?
echo "$output"
[ "$status" -eq 0 ] || { echo "FAIL: $1 exited with $status"; exit 1; }
case "$1" in
  desktop-file-validate) [ -z "$output" ] || { echo "FAIL: $1 complained"; exit 1; } ;;
esac
echo "PASS"
