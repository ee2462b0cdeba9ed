#!/usr/bin/env bash
# Each manual page renders without a single warning of man or groff, and
# names the version that CMake sets. Usage: man_pages_test.sh PAGE...
set -u
if ! command -v man >/dev/null || ! command -v groff >/dev/null; then
    echo "man or groff is missing (packages man-db, groff-base): skipped"
    exit 77
fi
status=0
for page in "$@"; do
    warnings=$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -l "$page" 2>&1 >/dev/null)
    if [ -n "$warnings" ]; then
        echo "FAIL $page renders with warnings:"
        echo "$warnings"
        status=1
    fi
    text=$(MANWIDTH=80 LC_ALL=C.UTF-8 man -l "$page" 2>/dev/null)
    for section in NAME SYNOPSIS DESCRIPTION OPTIONS "EXIT STATUS" FILES; do
        grep -q "^$section" <<<"$text" || { echo "FAIL $page has no $section section"; status=1; }
    done
done
exit $status
