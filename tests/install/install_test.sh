#!/usr/bin/env bash
# Checks of the installation, run by CTest with the build folder:
#   install  - `cmake --install` into a temporary prefix puts the three
#              programs in bin/ and the unit, naming the installed server,
#              in lib/systemd/system/
#   unit     - systemd-analyze verify accepts the installed unit, and its
#              security exposure is 2.0 or lower
#   package  - `cpack -G DEB` builds a package with the programs, the unit
#              and maintainer scripts that create the user and the folder
# A check whose tool is missing exits with 77, which CTest reports as
# skipped.
set -euo pipefail
build=$1
check=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

install_into() {
  cmake --install "$build" --prefix "$1" >/dev/null
}

case "$check" in
install)
  prefix=$work/prefix
  install_into "$prefix"
  for program in tallyhall tallyhall-db tallyhall-zone; do
    [[ -x $prefix/bin/$program ]] || fail "bin/$program missing"
  done
  unit=$prefix/lib/systemd/system/tallyhall.service
  [[ -f $unit ]] || fail "lib/systemd/system/tallyhall.service missing"
  for line in "ExecStart=$prefix/bin/tallyhall" User=tallyhall \
    WorkingDirectory=/var/lib/tallyhall Restart=on-failure \
    ProtectSystem=strict ReadWritePaths=/var/lib/tallyhall \
    NoNewPrivileges=yes PrivateTmp=yes Type=notify WatchdogSec=60; do
    grep -qxF "$line" "$unit" || fail "unit lacks $line"
  done
  grep -q '^Usage: tallyhall-db' <<<"$("$prefix/bin/tallyhall-db" --help)" ||
    fail "tallyhall-db --help"
  grep -q '^Usage: tallyhall-zone' <<<"$("$prefix/bin/tallyhall-zone" --help)" ||
    fail "tallyhall-zone --help"
  ;;
unit)
  command -v systemd-analyze >/dev/null || {
    echo "systemd-analyze not found; skipped"
    exit 77
  }
  install_into "$work/prefix"
  # Warnings (an unknown key, a bad value) count as failures too.
  report=$(systemd-analyze verify \
    "$work/prefix/lib/systemd/system/tallyhall.service" 2>&1) ||
    fail "systemd-analyze verify: $report"
  [[ -z $report ]] || fail "systemd-analyze verify: $report"
  # The sandbox keeps the exposure at 2.0 or lower (the threshold is in
  # tenths); older systemd versions cannot rate a unit file offline.
  if systemd-analyze security --help | grep -q -- --offline; then
    report=$(systemd-analyze security --offline=true --threshold=20 \
      "$work/prefix/lib/systemd/system/tallyhall.service" 2>&1) ||
      fail "systemd-analyze security: $(tail -n 1 <<<"$report")"
  fi
  ;;
package)
  for tool in cpack dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || {
      echo "$tool not found; skipped"
      exit 77
    }
  done
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" \
    >/dev/null
  deb=$(echo "$work"/package/tallyhall_*.deb)
  [[ -f $deb ]] || fail "no package built"
  contents=$(dpkg-deb -c "$deb")
  for file in ./usr/bin/tallyhall ./usr/bin/tallyhall-db \
    ./usr/bin/tallyhall-zone ./usr/lib/systemd/system/tallyhall.service; do
    grep -q " $file\$" <<<"$contents" || fail "package lacks $file"
  done
  # Read whole first: grep -q would close the pipe early under pipefail.
  packaged_unit=$(dpkg-deb --fsys-tarfile "$deb" |
    tar -xO ./usr/lib/systemd/system/tallyhall.service)
  grep -qxF ExecStart=/usr/bin/tallyhall <<<"$packaged_unit" ||
    fail "package unit ExecStart"
  dpkg-deb -e "$deb" "$work/control"
  for script in postinst prerm postrm; do
    [[ -x $work/control/$script ]] || fail "$script missing"
    sh -n "$work/control/$script" || fail "$script does not parse"
  done
  grep -q 'adduser --system' "$work/control/postinst" || fail "no adduser"
  grep -q 'useradd --system' "$work/control/postinst" || fail "no useradd"
  grep -q 'chmod 0750 /var/lib/tallyhall' "$work/control/postinst" ||
    fail "folder mode"
  ;;
*)
  fail "unknown check $check"
  ;;
esac
echo "$check: ok"
