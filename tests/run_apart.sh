#!/bin/sh
# Runs a test program from a hard link in the test's own HOME: the files a program keeps beside
# itself (the dated copies of record files, the error log) then stay apart from those of the
# tests running at the same time, which may close a file of the same name in the same second.
#   run_apart.sh PROGRAM [ARGUMENTS...]
program="$1"
shift
apart="$HOME/$(basename "$program")"
ln -f "$program" "$apart" 2>/dev/null || cp -f "$program" "$apart" || exit 1
exec "$apart" "$@"
