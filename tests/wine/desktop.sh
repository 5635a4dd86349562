# Helpers for the Wine tests that look at the desktop, sourced after lib.sh or
# tolvane/lib.sh (which give wait_for and fail): an X server of the test's own
# and its windows found and driven with xdotool, as a user would with the mouse
# and the keyboard.

# Starts Xvfb on a free display and points DISPLAY at it; its process id is
# xvfb_pid, for the test to end it when it ends.
xvfb_pid=
start_xvfb() {
  local n
  for ((n = 90; n < 130; n++)); do [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] || break; done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  wait_for 'xdotool getmouselocation >/dev/null 2>&1' 30 || fail "Xvfb did not start"
}

# The visible window titled exactly $1, or nothing.
visible_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1; }

# Without a notification area of its own, Wine shows the icons in this window,
# visible while it holds at least one.
tray() { visible_window 'Wine System Tray'; }

# Waits for the dialog titled $1 and answers it with the key $2 of a button.
answer() {
  local title="$1" key="$2" dialog
  wait_for '[[ -n "$(visible_window "$title")" ]]' 30 || fail "no dialog '$title'"
  dialog="$(visible_window "$title")"
  xdotool mousemove --window "$dialog" 5 5 click 1  # gives the dialog the keyboard
  xdotool key "$key"
  wait_for '[[ -z "$(visible_window "$title")" ]]' 30 || fail "dialog '$title' stayed open"
}

# The visible windows without a title (menus among them), sorted.
untitled_windows() { xdotool search --onlyvisible --name '^$' 2>/dev/null | sort; }

# Right-clicks the tray icon and clicks the first entry of the menu that opens.
choose_first_tray_entry() {
  local before popup
  before="$(untitled_windows)"
  xdotool mousemove --window "$(tray)" 8 10 click 3
  wait_for '[[ -n "$(comm -13 <(echo "$before") <(untitled_windows))" ]]' 30 || fail "no menu opened on the tray icon"
  popup="$(comm -13 <(echo "$before") <(untitled_windows) | tail -1)"
  xdotool mousemove --window "$popup" 20 10 click 1
}
