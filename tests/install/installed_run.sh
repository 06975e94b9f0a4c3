#!/usr/bin/env bash
# cmake --install into a fresh prefix; the installed programs then run from
# there, started from another folder, on the installed examples: a headless
# full run (plan printer, simulator, program) and a port search that must
# start the installed program. A system install (/usr, through DESTDIR) also
# gets the udev rule; a private prefix must not.
#   installed_run.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
src=$(cd "$2" && pwd)
work=$(mktemp -d /tmp/plyx3-install-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" || fail "cmake --install --prefix"
for f in bin/plyx3 bin/boardsim bin/plyx3-plan \
         share/applications/plyx3.desktop share/icons/hicolor/scalable/apps/plyx3.svg \
         share/man/man1/plyx3.1.gz share/man/man1/boardsim.1.gz share/man/man1/plyx3-plan.1.gz \
         share/plyx3/examples/models/Standard-4Axis.cf share/plyx3/examples/shells/Shell-8in-alternate.cfg \
         share/plyx3/examples/languages/greek.lng; do
  [ -e "$prefix/$f" ] || fail "not installed: $f"
done
[ ! -e "$prefix/lib/udev" ] || fail "the udev rule went into a private prefix"
DESTDIR=$work/root cmake --install "$build" --prefix /usr >"$work/install-usr.log" || fail "cmake --install to /usr"
[ -f "$work/root/usr/lib/udev/rules.d/99-plyx3-ftdi-latency.rules" ] || fail "no udev rule in a /usr install"

# No path into the build or source tree is compiled into the programs
# (source file names kept for sanitizer reports are not paths they use).
for p in plyx3 boardsim plyx3-plan; do
  leak=$(readelf -p .rodata "$prefix/bin/$p" | grep -F -e "$build" -e "$src" | grep -vE '\.(cpp|h)$' || true)
  [ -z "$leak" ] || fail "$p holds a path of the build or source tree: $leak"
done

cd /
"$src/scripts/demo-run" "$prefix" --headless --timeout 120 || fail "headless run of the installed programs"
"$src/tests/e2e/launch_instances.sh" "$prefix" || fail "port search of the installed program"
echo "installed_run: the programs installed in $prefix ran from there"
