# What the scripts that run the Windows programs under Wine share; sourced, POSIX sh.

# winpath PATH: the Windows form of an absolute path (Wine maps Z: to /).
winpath() {
  printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"
}

# start_display FIRST WHO: an Xvfb server on the first display from FIRST that nobody uses;
# sets DISPLAY and xvfb_pid (for the caller to end), or says why not for WHO and exits.
start_display() {
  display=$1
  while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do
    display=$((display + 1))
  done
  Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$display"
  tries=0
  until xdotool getdisplaygeometry >/dev/null 2>&1; do
    tries=$((tries + 1))
    [ "$tries" -lt 100 ] || { echo "$2: Xvfb did not start on $DISPLAY" >&2; exit 1; }
    sleep 0.1
  done
}
