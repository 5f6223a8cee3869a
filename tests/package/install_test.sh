#!/usr/bin/env bash
# Builds the Debian package from the build tree, unpacks it into a scratch
# root and checks what a unit would get: files, modes, stripped programs, the
# init script as a conffile, and a service unit that systemd accepts. That
# the package installs, runs, removes and purges is the container test's.
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$scratch/out" >/dev/null
root=$scratch/root control=$scratch/root/DEBIAN
dpkg-deb -R "$scratch"/out/app-kip-param_*_amd64.deb "$root"
programs="usr/sbin/app-kip-param usr/bin/kip-param-store usr/bin/kip-param-client"
expect_mode() {
  local mode=$1 file
  shift
  for file; do
    [ -e "$root/$file" ] || fail "$file missing"
    [ "$(stat -c %a "$root/$file")" = "$mode" ] || fail "$file has mode $(stat -c %a "$root/$file"), want $mode"
  done
}
expect_mode 755 $programs etc/init.d/app-kip-param DEBIAN/{postinst,prerm,postrm}
expect_mode 644 lib/systemd/system/app-kip-param.service usr/share/man/man8/app-kip-param.8.gz \
  usr/share/man/man1/kip-param-{store,client}.1.gz usr/share/doc/app-kip-param/{copyright,changelog.gz} \
  usr/share/lintian/overrides/app-kip-param
grep -qx '/etc/init.d/app-kip-param' "$control/conffiles" || fail "init script is no conffile"
for program in $programs; do
  # ", stripped": "not stripped" must not match.
  file "$root/$program" | grep -q ', stripped' || fail "$program not stripped"
done

# systemd checks the unit as installed; only ExecStart points into the scratch root.
mkdir "$scratch/unit"
sed "s|^ExecStart=/|ExecStart=$root/|" "$root/lib/systemd/system/app-kip-param.service" > "$scratch/unit/app-kip-param.service"
if ! systemd-analyze verify --man=no "$scratch/unit/app-kip-param.service" 2> "$scratch/verify.err" ||
   grep -q 'Unknown key\|Unknown section' "$scratch/verify.err"; then
  fail "systemd rejects the unit: $(cat "$scratch/verify.err")"
fi
echo "package install test passed"
