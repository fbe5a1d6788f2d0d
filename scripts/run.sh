#!/usr/bin/env bash
# Builds Varnel (release, build/) and runs it.
#   scripts/run.sh                 with the radio emulator on pseudo-terminals
#   scripts/run.sh /dev/ttyUSB0    with a real radio on that device
#   scripts/run.sh COM3            with a real radio on that COM port
# A named radio is also published as COM1 in a temporary port directory and the
# program is started with --port COM1, so it opens the radio whatever Config.ini says.
# Without a display the program runs under Xvfb, where nothing can be seen.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
# shellcheck source=scripts/lib.sh
source scripts/lib.sh

usage() {
  sed -n '2,8s/^# \{0,1\}//p' "${BASH_SOURCE[0]}"
}

radio=""
case $# in
  0) ;;
  1)
    case $1 in
      -h | --help) usage; exit 0 ;;
      *) radio=$1 ;;
    esac
    ;;
  *) usage >&2; exit 2 ;;
esac

readonly APP=build/src/app/varnel
readonly SIM=build/tools/radio_sim/varnel-radio-sim

# The device of a COM number: a COMn link in $VARNEL_PORT_DIR first, then the
# fixed rule ttyS<k> = COM<k+1>, ttyUSB<k> = COM<k+33>, ttyACM<k> = COM<k+65>.
device_of_com() {
  local n=$1
  if [[ -n "${VARNEL_PORT_DIR:-}" && -e "$VARNEL_PORT_DIR/COM$n" ]]; then
    readlink -f "$VARNEL_PORT_DIR/COM$n"
  elif ((n >= 1 && n <= 32)); then
    echo "/dev/ttyS$((n - 1))"
  elif ((n >= 33 && n <= 64)); then
    echo "/dev/ttyUSB$((n - 33))"
  elif ((n >= 65 && n <= 96)); then
    echo "/dev/ttyACM$((n - 65))"
  else
    return 1
  fi
}

device=""
app_args=()
if [[ -n "$radio" ]]; then
  if [[ "${radio^^}" =~ ^COM([0-9]+)$ ]]; then
    if ! device=$(device_of_com "$((10#${BASH_REMATCH[1]}))"); then
      echo "error: no device belongs to $radio" >&2
      exit 2
    fi
  else
    device=$(readlink -f "$radio" || true)
  fi
  if [[ -z "$device" || ! -c "$device" ]]; then
    echo "error: $radio (${device:-?}) is not a serial device on this machine" >&2
    exit 2
  fi
fi

varnel_ensure_packages
varnel_configure build -DCMAKE_BUILD_TYPE=Release >/dev/null
# Only what is run here; scripts/test.sh builds the rest.
targets=()
available=$(cmake --build build --target help 2>/dev/null || true)
for target in varnel varnel-radio-sim; do
  if grep -qE "^$target(:| )" <<<"$available"; then
    targets+=(--target "$target")
  fi
done
if [[ ${#targets[@]} -gt 0 ]]; then
  cmake --build build -j2 "${targets[@]}"
fi
if [[ ! -x "$APP" ]]; then
  echo "error: $APP has not been built (is src/app in place yet?)" >&2
  exit 1
fi

port_dir=$(mktemp -d "${TMPDIR:-/tmp}/varnel-ports.XXXXXX")
sim_pid=""
app_group=""
# shellcheck disable=SC2317 # called by the trap
cleanup() {
  if [[ -n "$app_group" ]]; then
    kill -TERM -- "-$app_group" 2>/dev/null || true
    wait "$app_group" 2>/dev/null || true
  fi
  if [[ -n "$sim_pid" ]] && kill -0 "$sim_pid" 2>/dev/null; then
    kill "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -rf "$port_dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [[ -n "$device" ]]; then
  # Keep the links of a port directory already in use; COM1 becomes the radio.
  if [[ -n "${VARNEL_PORT_DIR:-}" && -d "$VARNEL_PORT_DIR" ]]; then
    find "$VARNEL_PORT_DIR" -maxdepth 1 -name 'COM*' -type l -exec cp -P {} "$port_dir/" \;
  fi
  ln -sfn "$device" "$port_dir/COM1"
  # The named radio wins over a port stored in Config.ini.
  app_args=(--port COM1)
  echo "== radio $radio ($device) is COM1; no emulator started"
elif [[ -x "$SIM" ]]; then
  VARNEL_PORT_DIR="$port_dir" "$SIM" </dev/null &
  sim_pid=$!
  for _ in $(seq 100); do
    [[ -e "$port_dir/COM1" ]] && break
    if ! kill -0 "$sim_pid" 2>/dev/null; then
      echo "error: the emulator ended at once" >&2
      exit 1
    fi
    sleep 0.1
  done
  if [[ ! -e "$port_dir/COM1" ]]; then
    echo "error: the emulator published no COM1 in $port_dir" >&2
    exit 1
  fi
  echo "== emulator running (pid $sim_pid), ports: $(cd "$port_dir" && echo COM*)"
else
  echo "== $SIM has not been built yet; starting the program without the emulator"
fi

export VARNEL_PORT_DIR="$port_dir"
launcher=()
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "== no display: running under Xvfb, nothing will be visible; Ctrl+C ends it"
  launcher=(xvfb-run -a -s "-screen 0 1280x1024x24")
fi
# In its own process group, so that Ctrl+C or a TERM to this script ends the
# program together with an Xvfb started for it.
setsid "${launcher[@]}" "$APP" "${app_args[@]}" &
app_group=$!
status=0
wait "$app_group" || status=$?
app_group=""
exit "$status"
