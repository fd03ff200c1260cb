#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# Every option that PROGRAM --help lists has an entry of its own (a .TP tag) in MANPAGE.
# Usage: man_lists_options.sh PROGRAM MANPAGE
set -eu
tags=$(awk 'previous == ".TP" { gsub(/\\-/, "-"); print } { previous = $0 }' "$2")
missing=0
for option in $("$1" --help | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    if ! printf '%s\n' "$tags" | grep -q -- "$option\\b"; then
        echo "$2: no entry for $option"
        missing=1
    fi
done
exit $missing
