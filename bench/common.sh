# Shared by the benchmark scripts (sourced): a virtual X server on a free display and the demo plant.

# Starts Xvfb on a free display (screen 1280x800, or the geometry given), exports DISPLAY and prints the
# server's process id.
start_xvfb() { # [geometry]
  local n display=""
  for n in $(shuf -i 90-250); do
    if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=:$n; break; fi
  done
  [ -n "$display" ] || { echo "no free X display" >&2; return 1; }
  Xvfb "$display" -screen 0 "${1:-1280x800}x24" -nolisten tcp >/dev/null 2>&1 &
  local pid=$!
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
  [ -e "/tmp/.X11-unix/X${display#:}" ] || { echo "Xvfb did not start on $display" >&2; return 1; }
  export DISPLAY=$display
  echo "$pid"
}

# Prints a UDP port nothing listens on.
free_udp_port() {
  local port
  while :; do
    port=$((30000 + RANDOM % 20000))
    [ -z "$(ss -Hlun "sport = :$port")" ] && { echo "$port"; return; }
  done
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

# Starts the client <binary> on the demo plant in <folder> with notice port <port> and logs in as a
# person types it (staff number 10201, password 1234); prints "<process id> <main window id>".
start_logged_in_client() { # binary folder port
  demo_plant "$2" "$3"
  mkdir -p "$2/cwd"
  (cd "$2/cwd" && VEKORA_CONFIG=$2/vekora.ini XDG_RUNTIME_DIR=$2 XDG_CONFIG_HOME=$2/config \
    VEKORA_REGISTRY=$2/HKLM.reg exec "$1" >"$2/client.log" 2>&1) &
  local client=$! login="" main=""
  for _ in $(seq 400); do
    login=$(xdotool search --onlyvisible --pid "$client" 2>/dev/null | head -1 || true)
    [ -n "$login" ] && break
    sleep 0.05
  done
  [ -n "$login" ] || { echo "the client's login window did not appear" >&2; cat "$2/client.log" >&2; return 1; }
  xdotool windowfocus --sync "$login"
  xdotool type --delay 20 10201
  xdotool key Return
  xdotool type --delay 20 1234
  xdotool key Return
  for _ in $(seq 400); do
    main=$(xdotool search --all --onlyvisible --pid "$client" --name '^Vekora' 2>/dev/null | head -1 || true)
    [ -n "$main" ] && break
    sleep 0.05
  done
  [ -n "$main" ] || { echo "the client's main window did not appear after the login" >&2; return 1; }
  echo "$client $main"
}
