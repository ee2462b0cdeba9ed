#!/usr/bin/env bash
# The include-layering check on a small source tree of its own: it passes a
# tree whose includes all point down, and names every include that points up
# or brings Qt into a Qt-free folder.
# Usage: layering_test.sh CHECK_LAYERING_PY
set -u
check=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work"/src/{common,app,library,composer,help,assist,platform,ui,cli,library/qt}
add() { printf '%s\n' "${@:2}" > "$work/src/$1"; }
add common/Bytes.h '#pragma once'
add app/Settings.h '#include "common/Bytes.h"'
add library/Scan.h '#include "app/Settings.h"' '#include "Scan2.h"' '#include <string>'
add library/Scan2.h '#pragma once'
add composer/Panel.cpp '#include "library/Scan.h"'
add help/Help.cpp '#include "app/Settings.h"'
add assist/Check.h '#include "composer/Panel.h"'
add platform/Controls.cpp '#include "common/Bytes.h"' '#include <QComboBox>'
add library/qt/Handlers.cpp '#include "platform/Controls.h"' '#include "ui/Dialog.h"' '#include <QWidget>'
add ui/Dialog.h '#include "library/Scan.h"'
add cli/Cli.cpp '#include "composer/Panel.h"' '#include "assist/Check.h"' '#include "common/Version.h"'
add main.cpp '#include "ui/Dialog.h"'

if ! out=$(python3 "$check" "$work"); then
    echo "FAIL a tree whose includes point down was refused:"
    echo "$out"
    exit 1
fi

add platform/Controls.cpp '#include "library/Scan.h"'
add help/Help.cpp '#include "library/Scan.h"'
add library/Scan2.h '#include "composer/Panel.h"'
add app/Settings.h '#include <QString>'
add assist/Check.h '#include "cli/Cli.h"'
add cli/Cli.cpp '#include "ui/Dialog.h"' '#include <QtCore/QFile>'
out=$(python3 "$check" "$work")
status=$?
failed=0
[ "$status" -eq 1 ] || { echo "FAIL exit status $status for a tree with upward includes"; failed=1; }
for expected in "src/platform/Controls.cpp:1:" "src/help/Help.cpp:1:" "src/library/Scan2.h:1:" \
    "src/app/Settings.h:1:" "src/assist/Check.h:1:" "src/cli/Cli.cpp:1:" "src/cli/Cli.cpp:2:"; do
    grep -q "^$expected" <<<"$out" || { echo "FAIL not reported: $expected"; failed=1; }
done
[ "$(grep -c '^src/' <<<"$out")" -eq 7 ] || { echo "FAIL not exactly the seven faults reported:"; echo "$out"; failed=1; }
exit $failed
