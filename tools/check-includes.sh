#!/usr/bin/env bash
# Checks the include rules of the layers over every #include line of src/:
#   - src/app, src/net, src/panes, src/telnet and src/res include only the
#     framework's public headers: nothing from framework/qt/ or
#     framework/testing/, and no toolkit (<Q...>) or system (POSIX) header;
#   - the framework's public headers (src/framework/*.h) include no
#     framework/qt/ or framework/testing/ header;
#   - src/framework, outside framework/testing/, includes nothing of the
#     code above it nor of framework/testing/;
#   - src/net includes neither app/ nor telnet/; src/telnet neither net/
#     nor app/; src/panes none of net/, telnet/ and app/; src/res none of
#     app/, net/, panes/ and telnet/.
# Usage: tools/check-includes.sh [ROOT]   (ROOT: the tree to check, by
# default the one this script is in). Prints each broken rule as
# file:line: message and exits 1 when there is one, 0 otherwise.
set -euo pipefail

root="${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
if [ ! -d "$root/src" ]; then
    echo "check-includes: no src/ folder in $root" >&2
    exit 2
fi
cd "$root"

# System headers that only the framework may include.
system_headers='^(Q[A-Za-z0-9_]*|Qt[A-Za-z0-9_]*/.*|sys/.*|netinet/.*|arpa/.*|net/.*|linux/.*|unistd\.h|poll\.h|fcntl\.h|netdb\.h|pwd\.h|grp\.h|pthread\.h|dlfcn\.h|termios\.h|dirent\.h|signal\.h|errno\.h|ifaddrs\.h|syslog\.h)$'

violations=0

report() {
    echo "$1:$2: $3"
    violations=$((violations + 1))
}

# Prints "line<TAB>kind<TAB>name" for each include of a file, kind being
# < or ".
includes_of() {
    awk '
        match($0, /^[ \t]*#[ \t]*include[ \t]*[<"][^>"]+[>"]/) {
            text = substr($0, RSTART, RLENGTH)
            sub(/^[ \t]*#[ \t]*include[ \t]*/, "", text)
            kind = substr(text, 1, 1)
            name = substr(text, 2, length(text) - 2)
            printf "%d\t%s\t%s\n", FNR, kind, name
        }' "$1"
}

# The folders above the framework each list the project folders they may
# not include.
declare -A forbidden_layers=(
    [app]=""
    [net]="app telnet"
    [telnet]="net app"
    [panes]="net telnet app"
    [res]="app net panes telnet"
)

check_file() {
    local file="$1" line kind name layer
    layer="${file#src/}"
    layer="${layer%%/*}"
    while IFS=$'\t' read -r line kind name; do
        [ -n "$line" ] || continue
        case "$layer" in
        app | net | panes | telnet | res)
            if [ "$kind" = '"' ]; then
                case "$name" in
                framework/qt/*) report "$file" "$line" "includes the framework's private header \"$name\"" ;;
                framework/testing/*) report "$file" "$line" "includes the test support header \"$name\"" ;;
                esac
                for other in ${forbidden_layers[$layer]}; do
                    case "$name" in
                    "$other"/*) report "$file" "$line" "src/$layer may not include $other/ (\"$name\")" ;;
                    esac
                done
            elif [[ "$name" =~ $system_headers ]]; then
                report "$file" "$line" "includes the system header <$name>: only the framework may"
            fi
            ;;
        framework)
            [ "$kind" = '"' ] || continue
            case "$file" in
            src/framework/testing/*) continue ;;
            esac
            case "$name" in
            app/* | net/* | panes/* | telnet/* | res/*)
                report "$file" "$line" "the framework may not include the layers above it (\"$name\")" ;;
            framework/testing/*)
                report "$file" "$line" "the framework may not include its test support (\"$name\")" ;;
            framework/qt/*)
                case "$file" in
                src/framework/*/*) ;;
                src/framework/*.h) report "$file" "$line" "a public framework header includes the private \"$name\"" ;;
                esac
                ;;
            esac
            ;;
        esac
    done < <(includes_of "$file")
}

while IFS= read -r file; do
    check_file "$file"
done < <(find src -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.cpp' \) | LC_ALL=C sort)

if [ "$violations" -ne 0 ]; then
    echo "check-includes: $violations include rule(s) broken" >&2
    exit 1
fi
echo "check-includes: the include rules hold"
