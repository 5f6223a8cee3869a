#!/usr/bin/env bash
# Builds the Debian package from the build tree, unpacks it into a scratch
# root and checks what a unit would get: files, modes, control data, and a
# service unit that systemd accepts.
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >/dev/null
deb=$(ls "$scratch"/out/app-kip-param_*_amd64.deb)
root=$scratch/root
dpkg-deb -x "$deb" "$root"
dpkg-deb -e "$deb" "$scratch/control"

fail() { echo "FAIL: $*"; exit 1; }
expect_mode() {
  [ -e "$root/$2" ] || fail "$2 missing"
  [ "$(stat -c %a "$root/$2")" = "$1" ] || fail "$2 has mode $(stat -c %a "$root/$2"), want $1"
}
expect_mode 755 usr/sbin/app-kip-param
expect_mode 755 usr/bin/kip-param-store
expect_mode 755 usr/bin/kip-param-client
expect_mode 755 etc/init.d/app-kip-param
expect_mode 644 lib/systemd/system/app-kip-param.service
expect_mode 644 usr/share/man/man8/app-kip-param.8.gz
expect_mode 644 usr/share/man/man1/kip-param-store.1.gz
expect_mode 644 usr/share/man/man1/kip-param-client.1.gz
expect_mode 644 usr/share/doc/app-kip-param/copyright
expect_mode 644 usr/share/doc/app-kip-param/changelog.gz
expect_mode 644 usr/share/lintian/overrides/app-kip-param
[ "$(stat -c %a "$scratch/control/postinst")" = 755 ] || fail "postinst not executable"

grep -q '^Depends:.*libtinyxml' "$scratch/control/control" || fail "no TinyXML dependency"
grep -qx '/etc/init.d/app-kip-param' "$scratch/control/conffiles" || fail "init script is no conffile"
for script in "$root/etc/init.d/app-kip-param" "$scratch"/control/{postinst,prerm,postrm}; do
  sh -n "$script" || fail "$script does not parse"
done
for program in usr/sbin/app-kip-param usr/bin/kip-param-store usr/bin/kip-param-client; do
  # ", stripped": "not stripped" must not match.
  file "$root/$program" | grep -q ', stripped' || fail "$program not stripped"
done
"$root/usr/bin/kip-param-store" --help >/dev/null || fail "store tool does not run"

# systemd checks the unit as installed; only ExecStart points into the scratch root.
mkdir "$scratch/unit"
sed "s|^ExecStart=/|ExecStart=$root/|" "$root/lib/systemd/system/app-kip-param.service" > "$scratch/unit/app-kip-param.service"
if ! systemd-analyze verify --man=no "$scratch/unit/app-kip-param.service" 2> "$scratch/verify.err" ||
   grep -q 'Unknown key\|Unknown section' "$scratch/verify.err"; then
  cat "$scratch/verify.err"
  fail "systemd rejects the unit"
fi
echo "package install test passed"
