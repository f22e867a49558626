#!/bin/sh
# Photographs the window on a virtual X server (Xvfb), with the fonts the program uses, in its
# four looks: a five-character type, a ten-character type with the code 12345ABCDE typed, fixed
# codes, and the port selection dialog; and the whole program with its test record filled, after
# the simulated encoder has sounded an alarm into a private audio server, with the row selected
# and its picture shown: as it should (test-record.png) and detuned (test-record-weicht-ab.png);
# and a test plan's run: the window during it (test-run-Ablauf.png), the report dialog at its end
# (test-run-Bericht.png) and the first page of the day's report (test-run-Pruefbericht.png).
# The same run checks that every caption is whole and the code shows from its first character;
# the pictures go to build/screenshots/ (or the folder given).
# Usage: scripts/screenshots.sh [folder]
set -eu
cd "$(dirname "$0")/.."

./scripts/install-deps.sh

BUILD=${BUILD_DIR:-build}
OUT=${1:-$BUILD/screenshots}
[ -f "$BUILD/build.ninja" ] || cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD" --target quorvane_mainform_tests quorvane_program_tests
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)

QUORVANE_SCREENSHOT_DIR="$OUT" xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
    "$BUILD/tests/app/window/quorvane_mainform_tests" -platform xcb \
    --gtest_filter='MainFormLayoutTest.EveryCaptionWholeInEachLook'
QUORVANE_TEST_SHOT="$OUT/test-record.png" xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
    "$BUILD/tests/app/program/quorvane_program_tests" \
    --gtest_filter='QuorvaneProgram.HearsTheAlarmItSentJudgesAndRecordsIt'
QUORVANE_TEST_SHOT="$OUT/test-run.png" xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
    "$BUILD/tests/app/program/quorvane_program_tests" \
    --gtest_filter='QuorvaneProgram.RunsATestPlanEachAlarmAfterTheVerdictBefore'
echo "screenshots: saved in $OUT"
ls "$OUT"
