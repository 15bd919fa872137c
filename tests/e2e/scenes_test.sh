#!/usr/bin/env bash
# Each scene runs in the real saver: after a few hundred frames the screen shows glyphs in the
# chosen colour over the background. With E2E_SCREENSHOTS set the screenshots are kept there.
source "$E2E_LIB"
start_xvfb 1920 1080

for var in 1 2 3; do
  for colour in 1 2 3; do
    channel=$(echo "r g b" | cut -d' ' -f"$colour")
    other=$(echo "g b r" | cut -d' ' -f"$colour")
    note "variation $var in colour $colour"
    printf '[General]\nVarNum=%d\nSimColor=%d\nBGColor=%d\n' "$var" "$colour" $((0x141414)) >"$SETTINGS"
    xdotool mousemove 960 540
    start_bg "$TESSARINE" /s
    saver=$BG_PID
    wait_window Tessarine 20 >/dev/null || fail "no saver window"
    sleep 5  # about 300 frames at 60 Hz
    shot="$E2E_WORK/scene-$var-colour-$colour.png"
    screenshot "$shot"
    ink=$(ink "$shot" "$channel" 0 0 1920 1040)
    wrong=$(ink "$shot" "$other" 0 0 1920 1040)
    note "  $ink pixels of the symbol colour, $wrong of another"
    [ "$ink" -gt 2000 ] || fail "variation $var colour $colour shows hardly any glyphs ($ink)"
    [ "$wrong" -lt $((ink / 20)) ] || fail "variation $var colour $colour has foreign colour ($wrong)"
    xdotool key Escape
    wait_exit "$saver" 5
    assert_eq "$EXIT_STATUS" 0 "exit status"
  done
done
[ -n "${E2E_SCREENSHOTS:-}" ] && cp "$E2E_WORK"/scene-*.png "$E2E_SCREENSHOTS"/
echo PASS
