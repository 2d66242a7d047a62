#!/usr/bin/env bash
# Installs what Quenvar needs to build and test, then configures and builds it into build/.
# Idempotent; runs as root or through sudo.
set -euo pipefail
cd "$(dirname "$0")"

packages=(
  build-essential cmake pkg-config clang-format clang-tidy mypy
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libsqlite3-dev libffi-dev
  mingw-w64-tools binutils-mingw-w64-i686 g++-mingw-w64-i686 g++-mingw-w64-x86-64
  nginx-light time curl python3 python3-pip python3-venv
  clang libclang-rt-14-dev gcovr
  valgrind linux-perf
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

werror=OFF
[ "${CI:-}" = "true" ] && werror=ON
cmake -S . -B build -DQUENVAR_WERROR=$werror >/dev/null
cmake --build build -j "$(nproc)"
# Register the freshly built component in the user's registry, so that build/bin/palvex finds it.
if [ -f build/lib/Quenvar.so ]; then build/bin/regsvr -s build/lib/Quenvar.so; fi
