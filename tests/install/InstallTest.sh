#!/usr/bin/env bash
# Installs the build into a temporary prefix, a Python virtual environment, registers the installed
# component in a private registry, builds the client in client/ against the prefix with pkg-config
# and with CMake, installs the Python client into it offline with pip, and asks a loopback server
# through each.
#   InstallTest.sh BUILD_DIR
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
server=""
cleanup() {
  [ -z "$server" ] || kill "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

prefix=$work/prefix
# The system's Python, whose pip, setuptools and wheel setup.sh installs: its site packages give
# the environment what pip needs to build the client without a download.
/usr/bin/python3 -m venv --system-site-packages --without-pip "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/palvex bin/regsvr bin/reg include/quenvar/platform/Win32.h include/quenvar/component/IPalvex.h \
            share/man/man1/palvex.1 share/man/man1/regsvr.1 share/man/man1/reg.1 \
            lib/libquenvar-platform.so lib/Quenvar.so lib/pkgconfig/quenvar.pc lib/cmake/Quenvar/QuenvarConfig.cmake; do
  [ -e "$prefix/$file" ] || fail "not installed: $file"
done
if readelf -d "$prefix/bin/palvex" "$prefix/lib/Quenvar.so" | grep -q "$(cd "$build" && pwd)"; then
  fail "an installed file still looks into the build tree"
fi

export QUENVAR_REGISTRY=$work/registry.db
"$prefix/bin/regsvr" -s "$prefix/lib/Quenvar.so"
"$prefix/bin/palvex" --version | grep -qx "Palvex component 1.0.0.1 ($prefix/lib/Quenvar.so)" \
  || fail "palvex --version does not name the installed component"

# A loopback server that names its port once it listens.
python3 -c '
import http.server, sys
class Handler(http.server.BaseHTTPRequestHandler):
    server_version = "InstallTest/1.0"
    def do_GET(self):
        self.send_response(200)
        self.send_header("Content-Length", "0")
        self.end_headers()
    def log_message(self, *arguments):
        pass
server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
' >"$work/port" &
server=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
address=127.0.0.1:$(cat "$work/port")

export PKG_CONFIG_PATH=$prefix/lib/pkgconfig
# shellcheck disable=SC2046
c++ "$here/client/PalvexClient.cpp" $(pkg-config --cflags --libs quenvar) -o "$work/client-pkg-config"
cmake -S "$here/client" -B "$work/client-cmake" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/client-cmake" >/dev/null

# pip builds in the source folder; a copy keeps the source tree clean.
cp -r "$here/../../python" "$work/python"
"$prefix/bin/python" -m pip install --quiet --no-index --no-build-isolation --no-cache-dir \
  --disable-pip-version-check "$work/python" || fail "pip install of the Python client"
cat >"$work/python-client" <<'EOF_CLIENT'
#!/usr/bin/env bash
# The installed Python client finds the installed platform library with no help.
cd / && env -u QUENVAR_PLATFORM_LIBRARY -u PYTHONPATH "$(dirname "$0")/prefix/bin/python" -c '
import sys, quenvar
with quenvar.Dispatch("Palvex.Palvex") as palvex:
    palvex.ServerURL = sys.argv[1]
    palvex.QueryServer()
    print(palvex.HTTPVer, palvex.ServerSoftware)
' "$1"
EOF_CLIENT
chmod +x "$work/python-client"

for client in "$work/client-pkg-config" "$work/client-cmake/palvex-client" "$work/python-client"; do
  answer=$("$client" "$address") || fail "$client failed: $answer"
  [[ "$answer" == "HTTP/1.0 InstallTest/1.0"* ]] || fail "$client printed '$answer'"
done
echo "installed, registered, and the three clients asked $address"
