#!/usr/bin/env bash
# The layers as the folders show them: only the window's folder may include a widget (or other
# QtGui) header, and no folder includes from a layer above it. The overview's painter is the one
# exception: it draws the picture of a track with QtGui (QPainter, QImage), never a widget. Prints each offending line and
# fails when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."
qt=$(find /usr/include -maxdepth 3 -type d -path '*qt6/QtWidgets' -print -quit)
[[ -n $qt ]] || { bash scripts/setup.sh >/dev/null; qt=$(find /usr/include -maxdepth 3 -type d -path '*qt6/QtWidgets' -print -quit); }
gui=$(ls "$qt" "$(dirname "$qt")/QtGui" | grep -E '^Q[A-Za-z]+$' | sort -u)
widgets=$(ls "$qt" | grep -E '^Q[A-Za-z]+$' | sort -u)
bad=0
# Folder, then the folders above it that it must not include from.
while read -r folder above; do
    for f in $(git ls-files "$folder/*.h" "$folder/*.cpp"); do
        if [[ $folder != window ]]; then
            refused=$gui
            [[ $folder == overview ]] && refused=$widgets
            while IFS= read -r line; do
                name=${line#*<}; name=${name%>*}
                if grep -qx "$name" <<<"$refused"; then echo "$f: $line: a widget or QtGui header"; bad=1; fi
            done < <(grep -E '^#include <Q[A-Za-z]+>' "$f" || true)
        fi
        for up in $above; do
            if grep -n "^#include \"$up/" "$f"; then echo "  ^ in $f: $folder/ may not include from $up/"; bad=1; fi
        done
    done
done <<'LAYERS'
seams coords trackfile overview garmin magellan source download qt window cli
coords trackfile overview garmin magellan source download qt window cli
trackfile overview garmin magellan source download qt window cli
overview garmin magellan source download qt window cli
garmin magellan source download qt window cli
magellan source download qt window cli
source download qt window cli
download qt window cli
qt window cli
cli window
LAYERS
exit $bad
