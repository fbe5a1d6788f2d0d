# shellcheck shell=bash
# Shared by scripts/run.sh and scripts/test.sh; source it from the repository root.

# What a fresh Debian 12 machine needs to build, test and run Varnel.
VARNEL_PACKAGES=(
  build-essential cmake ninja-build qt6-base-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth fonts-noto-cjk
)

varnel_missing_packages() {
  local package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}\n' "$package" 2>/dev/null | grep -q '^install ok installed$'; then
      echo "$package"
    fi
  done
}

# Installs only what is missing, so a second run costs a few dpkg queries.
varnel_ensure_packages() {
  local -a missing
  mapfile -t missing < <(varnel_missing_packages "${VARNEL_PACKAGES[@]}")
  if [[ ${#missing[@]} -eq 0 ]]; then
    return 0
  fi
  local -a as_root=()
  if [[ $(id -u) -ne 0 ]]; then
    if ! command -v sudo >/dev/null 2>&1; then
      echo "error: missing packages (${missing[*]}); run as root or install sudo" >&2
      return 1
    fi
    as_root=(sudo)
  fi
  echo "== installing: ${missing[*]}"
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update </dev/null
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}" </dev/null
}

# varnel_configure <build dir> <cmake options...>: a Ninja build; a directory
# left over from another generator is started afresh instead of failing.
varnel_configure() {
  local dir=$1
  shift
  if [[ -f "$dir/CMakeCache.txt" ]] && ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' "$dir/CMakeCache.txt"; then
    echo "== $dir was made by another generator; starting it afresh"
    rm -rf "$dir"
  fi
  cmake -S . -B "$dir" -G Ninja "$@"
}

varnel_format_seconds() {
  local seconds=$1
  printf '%dm%02ds' $((seconds / 60)) $((seconds % 60))
}
