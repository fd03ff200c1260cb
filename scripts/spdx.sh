#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Puts the licence line on every C++, CMake, make and shell source file under version control:
# the first line, or the line after a script's #!. Running it again changes nothing.
#   scripts/spdx.sh          add the line where it is missing
#   scripts/spdx.sh --check  list the files without it; fails if there are any
set -euo pipefail
cd "$(dirname "$0")/.."
tag='SPDX-License-Identifier: GPL-3.0-or-later'
case "${1-}" in
    --check) check=true ;;
    "") check=false ;;
    *)
        echo "usage: scripts/spdx.sh [--check]" >&2
        exit 2
        ;;
esac

# The sources: by name, or for scripts without an extension by their #! line.
sources() {
    git ls-files -z | while IFS= read -r -d '' f; do
        case "$f" in
            fuzz/corpus/* | data/*) continue ;;
            *.cpp | *.h | *.h.in | *.cmake | *.sh | CMakeLists.txt | */CMakeLists.txt | Makefile)
                printf '%s\0' "$f" ;;
            *) head -n 1 "$f" | grep -qE '^#!.*\b(ba)?sh\b' && printf '%s\0' "$f" ;;
        esac
    done
}

missing=0
while IFS= read -r -d '' f; do
    head -n 2 "$f" | grep -q 'SPDX-License-Identifier:' && continue
    if $check; then
        echo "$f: no '$tag' line"
        missing=1
        continue
    fi
    case "$f" in
        *.cpp | *.h | *.h.in) line="// $tag" ;;
        *) line="# $tag" ;;
    esac
    if [[ $(head -c 2 "$f") == '#!' ]]; then
        { head -n 1 "$f"; echo "$line"; tail -n +2 "$f"; } >"$f.spdx"
    else
        { echo "$line"; cat "$f"; } >"$f.spdx"
    fi
    chmod --reference="$f" "$f.spdx"
    mv "$f.spdx" "$f"
    echo "spdx: $f"
done < <(sources)
exit $missing
