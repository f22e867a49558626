#!/bin/sh
# Checks that every #include of the program's code runs down the layers, never back up:
#   app/main -> app/window -> the other app/ modules -> runtime/, and app/runcli beside the window
#   app/window -> serial/component -> serial/engine -> runtime/, and inside the engine
#   ports/ -> posix/ -> dispatcher/ -> trace/ and errors/, and the plain messenger (messenger/,
#   for tests and benchmarks) on nothing of the engine and under nothing of the program;
#   app/window and serial/component -> framework -> runtime/;
# the tone decoder (app/tones) stands on nothing but itself, and tools/ on app/ and runtime/.
# The other app/ modules may use each other, but none of them the window or the program's entry.
# Prints each include that breaks a rule and exits 1; exits 0 when there is none.
set -eu
cd "$(dirname "$0")/.."

# The folders a file's includes may name: space-separated prefixes.
allowed_for() {
    case "$1" in
    runtime/*) echo "runtime/" ;;
    # The portable core knows no platform: the POSIX layer implements the core's device
    # operations, never the other way round.
    serial/engine/dispatcher/*) echo "runtime/ serial/engine/dispatcher/ serial/engine/errors/
        serial/engine/trace/" ;;
    serial/engine/trace/* | serial/engine/errors/*) echo "runtime/ serial/engine/errors/
        serial/engine/trace/" ;;
    # The POSIX layer reaches the core through its two interfaces, and knows no port probing.
    serial/engine/posix/*) echo "runtime/ serial/engine/dispatcher/ serial/engine/errors/
        serial/engine/trace/ serial/engine/posix/" ;;
    serial/engine/messenger/*) echo "runtime/ serial/engine/messenger/" ;;
    serial/engine/*) echo "runtime/ serial/engine/dispatcher/ serial/engine/errors/
        serial/engine/trace/ serial/engine/posix/ serial/engine/ports/" ;;
    framework/*) echo "runtime/ framework/" ;;
    serial/component/*) echo "runtime/ framework/ serial/component/ serial/engine/dispatcher/
        serial/engine/errors/ serial/engine/trace/ serial/engine/posix/ serial/engine/ports/" ;;
    app/main/*) echo "runtime/ framework/ serial/component/ app/" ;;
    app/window/*) echo "runtime/ framework/ serial/component/ app/window/ app/fixedcodes/
        app/options/ app/report/ app/supervision/ app/telegram/ app/testplan/ app/testrecord/
        app/tonecheck/ app/toneinput/ app/tonepicture/ app/tones/" ;;
    # The run without a window stands beside the window: on the same modules and the port.
    app/runcli/*) echo "runtime/ framework/ serial/component/ app/fixedcodes/ app/options/
        app/outputfile/ app/report/ app/runcli/ app/supervision/ app/telegram/ app/testplan/
        app/testrecord/ app/tonecheck/ app/toneinput/ app/tonepicture/ app/tones/" ;;
    app/toneinput/*) echo "runtime/ framework/ app/toneinput/ app/testrecord/ app/tonecheck/
        app/tonepicture/ app/tones/" ;;
    app/tones/*) echo "app/tones/" ;;
    app/*) echo "runtime/ app/fixedcodes/ app/options/ app/outputfile/ app/report/ app/reportcli/
        app/supervision/ app/telegram/ app/testplan/ app/testrecord/ app/tonecheck/
        app/tonepicture/ app/tones/ app/tonescli/" ;;
    tools/*) echo "runtime/ app/ tools/" ;;
    esac
}

broken=0
for file in $(find runtime framework serial app tools -name '*.h' -o -name '*.cpp' | sort); do
    allowed=$(allowed_for "$file")
    for target in $(sed -n 's/^#include "\([^"]*\/[^"]*\)".*/\1/p' "$file"); do
        ok=0
        for prefix in $allowed; do
            case "$target" in "$prefix"*) ok=1 ;; esac
        done
        if [ "$ok" -eq 0 ]; then
            echo "$file includes $target against the layers" >&2
            broken=1
        fi
    done
done
exit "$broken"
