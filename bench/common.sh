# Shared by the benchmark scripts (sourced): a virtual X server on a free display and the demo plant.

# Starts Xvfb on a free display, exports DISPLAY and prints the server's process id.
start_xvfb() {
  local n display=""
  for n in $(shuf -i 90-250); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=:$n; break; fi
  done
  [ -n "$display" ] || { echo "no free X display" >&2; return 1; }
  Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  local pid=$!
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
  [ -e "/tmp/.X11-unix/X${display#:}" ] || { echo "Xvfb did not start on $display" >&2; return 1; }
  export DISPLAY=$display
  echo "$pid"
}

# Makes the demo databases under <folder>/data and <folder>/vekora.ini with the given notice port.
demo_plant() { # folder port
  "$bin/vek_mkdb" --demo "$1/data" >/dev/null
  cat > "$1/vekora.ini" <<INI
[databases]
vek=sqlite:data/vek.sqlite
ServiceCenter=sqlite:data/ServiceCenter.sqlite
hr=sqlite:data/hr.sqlite
equip=sqlite:data/equip.sqlite
[network]
port=$2
INI
}
