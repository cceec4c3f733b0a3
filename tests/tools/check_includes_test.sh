#!/usr/bin/env bash
# The include check on small trees of its own: a tree that keeps the rules
# passes, and each kind of broken rule fails the check with its file and
# line named. Usage: check_includes_test.sh PATH/TO/check-includes.sh
set -euo pipefail

check="$1"
tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT
failures=0

# put FILE LINE...: writes a source file of the tree, one line per argument.
put() {
    local file="$tree/$1"
    shift
    mkdir -p "$(dirname "$file")"
    printf '%s\n' "$@" >"$file"
}

# A tree that keeps every rule, with the includes each layer may have.
put src/framework/Wnd.h '#pragma once' '#include <string>'
put src/framework/Wnd.cpp '#include "framework/Wnd.h"' '#include "framework/qt/Widgets.h"' '#include <QWidget>' '#include <unistd.h>'
put src/framework/qt/Widgets.h '#pragma once' '#include <QWidget>' '#include "framework/Wnd.h"'
put src/framework/testing/Pump.cpp '#include "framework/qt/Widgets.h"' '#include "app/Anything.h"'
put src/panes/Pane.h '#pragma once' '#include "framework/Wnd.h"' '// #include "net/Socket.h" is only a comment'
put src/net/Socket.cpp '#include "panes/Pane.h"' '#include "res/Ids.h"' '#include <vector>'
put src/telnet/Session.cpp '#include "res/Ids.h"' '#include "framework/Wnd.h"'
put src/app/Main.cpp '#include "net/Socket.h"' '#include "telnet/Session.h"' '#include <cstdio>'

output="$("$check" "$tree" 2>&1)" || {
    echo "FAIL clean tree: the check failed:"
    echo "$output"
    failures=$((failures + 1))
}

# Each row: the file, its second line (the first is a plain include), and
# the text the report must name.
rows=(
    "src/app/Dlg.cpp|#include \"framework/qt/Widgets.h\"|private header"
    "src/panes/View.cpp|#include \"framework/testing/Pump.h\"|test support"
    "src/telnet/Edit.cpp|#include <QWidget>|system header <QWidget>"
    "src/res/Ids.cpp|#include <sys/socket.h>|system header <sys/socket.h>"
    "src/net/Link.cpp|  #  include <netinet/in.h>|system header <netinet/in.h>"
    "src/net/Owner.cpp|#include \"app/LinkDlg.h\"|src/net may not include app/"
    "src/net/Term.cpp|#include \"telnet/TelnetDlg.h\"|src/net may not include telnet/"
    "src/telnet/Sock.cpp|#include \"net/LinkSocket.h\"|src/telnet may not include net/"
    "src/panes/Hex.cpp|#include \"telnet/TelnetDlg.h\"|src/panes may not include telnet/"
    "src/framework/Dialog.cpp|#include \"app/LinkDlg.h\"|layers above it"
    "src/framework/qt/Font.cpp|#include \"framework/testing/Pump.h\"|its test support"
    "src/framework/Controls.h|#include \"framework/qt/Widgets.h\"|public framework header"
)
for row in "${rows[@]}"; do
    IFS='|' read -r file include expected <<<"$row"
    put "$file" '#include <string>' "$include"
    status=0
    output="$("$check" "$tree" 2>&1)" || status=$?
    if [ "$status" -ne 1 ] || ! grep -qF "$file:2: " <<<"$output" || ! grep -qF "$expected" <<<"$output"; then
        echo "FAIL $file with '$include': exit $status, expected 1 and '$file:2: ...$expected...' in:"
        echo "$output"
        failures=$((failures + 1))
    fi
    rm "$tree/$file"
done

total=$((${#rows[@]} + 1))
echo "$((total - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
