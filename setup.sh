#!/usr/bin/env bash
# Installs what Quenvar needs to build and test, then configures build/ and builds the component and
# tools there (./test.sh builds the tests), and the two builds that run the Windows DLLs on Linux:
# build/win64-host/ (x86_64) and build/win32-host/ (i386), with the Windows calling conventions.
# Idempotent; runs as root or through sudo.
set -euo pipefail
cd "$(dirname "$0")"

packages=(
  build-essential cmake pkg-config clang-format clang-tidy mypy
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev libffi-dev
  mingw-w64-tools binutils-mingw-w64-i686 g++-mingw-w64-i686 g++-mingw-w64-x86-64
  nginx-light time curl python3 python3-pip python3-venv
  clang libclang-rt-14-dev gcovr g++-multilib
  valgrind linux-perf
)
# The i386 host build's libraries (multiarch); SQLite's header comes from the amd64 package.
i386_packages=(libsqlite3-0:i386 libffi-dev:i386)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
apt_update() {
  # A mirror in mid-sync fails an index now and then: try again before giving up.
  for attempt in 1 2 3; do
    $sudo apt-get update -qq && return 0
    sleep $((attempt * 5))
  done
  return 1
}

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  apt_update || true
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

i386_ready=true
for package in "${i386_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || i386_ready=false
done
if ! $i386_ready; then
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
  if ! { apt_update; DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
         "${i386_packages[@]}"; }; then
    i386_ready=false
  else
    i386_ready=true
  fi
fi

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S . -B build -DQUENVAR_WERROR=$werror >/dev/null
# The component and the tools, in every build; ./test.sh builds the tests, so that set-up stays
# short. build/ also makes the Windows DLLs that the host builds run.
tool_targets=(platform Quenvar palvex regsvr reg)
product_targets=("${tool_targets[@]}")
grep -q '^QUENVAR_WINDOWS:BOOL=ON' build/CMakeCache.txt && product_targets+=(quenvar_win32 quenvar_win64)
cmake --build build -j "$(nproc)" --target "${product_targets[@]}"

# Whether this kernel runs i386 programs (some virtual machines' kernels lack IA-32 emulation).
runs_i386() {
  build/win32-host/bin/reg --help >/dev/null 2>&1
  [ $? -ne 126 ]
}

# The host builds: the platform, the Linux component and the tools. Their end-to-end group
# (hosting_tests) is built by ./test.sh, which runs it.
host_build() {
  local folder=$1
  shift
  cmake -S . -B "$folder" -DQUENVAR_WERROR=$werror -DQUENVAR_WINDOWS_ABI=ON -DQUENVAR_WINDOWS=OFF \
    -DQUENVAR_HOSTING_TESTS_ONLY=ON -DQUENVAR_WINDOWS_DLLS="$PWD/build" "$@" >/dev/null
  cmake --build "$folder" -j "$(nproc)" --target "${tool_targets[@]}"
}
# Some virtual machines' kernels lack IA-32 emulation. There qemu-user runs i386 programs, made
# known to the kernel through binfmt_misc (until the next boot) for 32-bit x86 ELF files.
emulate_i386() {
  local binfmt=/proc/sys/fs/binfmt_misc
  [ -e "$binfmt/qemu-i386" ] && return 0
  dpkg-query -W -f='${Status}' qemu-user 2>/dev/null | grep -q 'install ok installed' ||
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends qemu-user || return 1
  [ -e "$binfmt/register" ] || $sudo mount -t binfmt_misc binfmt_misc "$binfmt" || return 1
  local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  echo ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386:F" | $sudo tee "$binfmt/register" >/dev/null
}

host_build build/win64-host
if $i386_ready; then
  host_build build/win32-host -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchains/linux-i386.cmake"
  if ! runs_i386 && emulate_i386 && runs_i386; then
    echo "*** This kernel cannot run 32-bit programs: qemu-i386 now runs them (binfmt_misc)." >&2
  fi
  if ! runs_i386; then
    echo "******************************************************************************" >&2
    echo "* build/win32-host is built, but this kernel cannot run 32-bit programs" >&2
    echo "* (no IA-32 emulation) and qemu-user could not stand in: its tests are skipped." >&2
    echo "******************************************************************************" >&2
  fi
else
  echo "******************************************************************************" >&2
  echo "* SKIPPED build/win32-host: the i386 packages (${i386_packages[*]})" >&2
  echo "* could not be installed. Everything else is built; rerun ./setup.sh later." >&2
  echo "******************************************************************************" >&2
fi
# Register the freshly built component in the user's registry, so that build/bin/palvex finds it.
if [ -f build/lib/Quenvar.so ]; then build/bin/regsvr -s build/lib/Quenvar.so; fi
